#include "vrbaseio_text/EncodingTraits.h"

#include <algorithm>

#include "hx/hx_uchar.h"

namespace vrb::text {

namespace {

// Whether the set writes each ASCII character (but U+0000) as its own byte.
bool writesAsciiAsItself(int encodingId) {
    char ascii[127];
    for (int i = 0; i < 127; ++i) ascii[i] = static_cast<char>(i + 1);
    char written[16 * 127];
    int taken = 0;
    const int length = hx_uchar_encode_run(encodingId, ascii, 127, written, sizeof written, &taken);
    return taken == 127 && length == 127 && std::equal(ascii, ascii + 127, written);
}

}  // namespace

EncodingTraits EncodingTraits::of(int encodingId) noexcept {
    const int properties = hx_uchar_encprop(encodingId);
    EncodingTraits traits;
    if (properties & (HX_PROP_ASCII_U32LE | HX_PROP_ASCII_U32BE)) traits.codeUnit = 4;
    else if (properties & (HX_PROP_ASCII_U16LE | HX_PROP_ASCII_U16BE)) traits.codeUnit = 2;
    traits.bigEndian = (properties & (HX_PROP_ASCII_U16BE | HX_PROP_ASCII_U32BE)) != 0;
    if (properties & HX_PROP_ASCII_RUNS) traits.bulkUnit = 1;
    else if (traits.codeUnit > 1) traits.bulkUnit = traits.codeUnit;
    traits.utf8 = (properties & HX_PROP_UTF8) != 0;
    traits.tableDriven = (properties & HX_PROP_BULK) != 0;
    traits.stateful = (properties & HX_PROP_STATEFUL) != 0;
    traits.nelNewline = (properties & HX_PROP_NEL_NEWLINE) != 0;
    traits.maxCharSize = std::clamp(hx_uchar_chsize_max(encodingId), 1, 15);
    traits.maxInternalSize = hx_uchar_xcsize_max(encodingId);
    // Surrogates pair up only in UTF-16, whose characters take up to four bytes.
    traits.wideBmp = traits.bulkUnit == 2 && traits.maxCharSize >= 4;
    traits.plainWrites = traits.bulkUnit > 1 || (traits.bulkUnit == 1 && (!traits.tableDriven || writesAsciiAsItself(encodingId)));
    return traits;
}

}  // namespace vrb::text

#include "message_catalogue.h"

namespace vrbmessage {
namespace {

// Numbers are fixed: components built separately raise them. The texts say
// what failed, on which path, and why.
constexpr CatalogueEntry kCatalogue[] = {
    {29, "Cannot create the object %s: out of memory, or the data it is made from is not valid", nullptr},
    {336,
     "The operation is not allowed on the file in its open mode or at its position (a seek backwards, a read or "
     "seek on a file opened for writing, a write on a file opened for reading, or a negative skip count)",
     nullptr},
    {444, "Out of memory: an allocation failed", nullptr},
    {445, "Cannot open directory %s: it does not exist", nullptr},
    {446, "Cannot open directory %s: the path is not a directory", nullptr},
    {447, "Cannot open directory %s: permission to read it is denied", nullptr},
    // The service passes -1 as the code for a location whose scheme it does not serve.
    {467, "Cannot open or list directory %s: the file layer reported error code %d",
     "Cannot open directory %s: its URI scheme is not supported (only \"file\" and \"hadoop\" URIs and plain "
     "paths are; code %d)"},
    {472, "Cannot read the start of file %s to look for a byte-order mark: %s", nullptr},
    {654, "Cannot move the file position: %e", nullptr},
    {728,
     "Invalid request: either the open mode is not append (0), read (1) or write (2), or the text holds the "
     "character U+0000 (code point 0), which it must not contain",
     nullptr},
    {1007, "Reading from the file failed: %e", nullptr},
    // Added to the catalogue for the local raw stream, whose failed writes had no message.
    {1008, "Writing to file %s failed: %e", nullptr},
    {1352, "Cannot open file %s: the file layer reported error code %d and has no description of it", nullptr},
    {1353, "Cannot open file %s: %s", nullptr},
    {1455,
     "Cannot open text file %s: its URI scheme is not supported (only \"file\" and \"hadoop\" URIs and plain paths "
     "are)",
     nullptr},
    {1491, "Unknown encoding: the character-set layer does not know encoding id %d", nullptr},
    // Added for a newline the file's encoding cannot write.
    {1492, "Cannot write the newline NEL (U+0085) in encoding %s, which has no such character: choose LF, CR LF or CR",
     nullptr},
    // Added for reading's refusals, which name the file, the byte offset and the line.
    {1496, "%s: byte %s (line %s): malformed %s sequence %s", nullptr},
    {1497, "%s: byte %s (line %s): the text holds the character U+0000 (code point 0), which it must not contain",
     nullptr},
    // Added for strict writing; the offset is where the character would have gone.
    {1500,
     "Cannot write %s to file %s at byte %s: encoding %s has no such character, and nothing of this write was "
     "written",
     nullptr},
    {1513, "A line is too long: the line buffer would grow beyond 2147483647 bytes", nullptr},
    // Added for compressed files; the offset counts decompressed bytes.
    {1530, "Cannot read compressed file %s (%s): %s, at byte %s of the decompressed text", nullptr},
    {1531, "Cannot write compressed file %s (%s): %s", nullptr},
    {1663, "No raw stream: the text file has no %s stream underneath", nullptr},
};

}  // namespace

const CatalogueEntry* findCatalogueEntry(int number) noexcept {
    for (const CatalogueEntry& entry : kCatalogue) {
        if (entry.number == number) return &entry;
    }
    return nullptr;
}

}  // namespace vrbmessage

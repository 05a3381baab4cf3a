// What the text engine's fuzz targets share: the encoding choice and a text
// file over a scripted raw stream on one of the engine's paths.
#pragma once

#include "FuzzInput.h"
#include "ScriptedRawStream.h"
#include "hx/hx_uchar.h"
#include "vrbaseio_text/VrbIOTextWrapper.h"

namespace vrbfuzz {

// The per-character reference, the fast paths with the processor's
// kernels, and the fast paths with the scalar kernels.
enum class Path { Reference, Best, Scalar };

// Any encoding id, or -1 for the stream's choice.
inline int chooseEncoding(FuzzInput& input) {
    const int choice = input.range(0, hx_uchar_enccount());
    return choice == hx_uchar_enccount() ? -1 : hx_uchar_encid(choice);
}

// Not yet open; the caller ends it with destroy().
inline VrbIOTextWrapper* scriptedFile(ScriptedRawStream* raw, int openMode, int encoding, int flags, Path path) {
    auto* file = new VrbIOTextWrapper(nullptr, raw, openMode, encoding, flags);
    file->setFastPathsEnabled(path != Path::Reference);
    if (path == Path::Scalar) file->setKernels(vrb::ascii::kScalarKernels);
    return file;
}

}  // namespace vrbfuzz

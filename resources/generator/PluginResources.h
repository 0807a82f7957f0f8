// The two resources through which a host learns about the plug-in without
// running it: the PiPL (plug-in property list) and the AETE (scripting
// terminology). This file and its .cpp are their one description; the build
// turns them into the module's binary resources.
#pragma once

#include "ByteWriter.h"

namespace hushpix {

// The module's processor decides which key names the entry point.
enum class Architecture { x86, x64 };

constexpr int resourceID = 16000;
constexpr int resourceLanguage = 1033;  // US English

Bytes buildPipl(Architecture architecture);
Bytes buildAete();

}  // namespace hushpix

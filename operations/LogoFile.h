#pragma once
// The logo command file: what the upload sends, written out for the technician.
#include <cstddef>
#include <string>
#include <vector>

namespace vorn {

// The device takes a logo of at most this many bytes.
constexpr std::size_t kMaxLogoBytes = 200000;
constexpr std::size_t kLogoChunkBytes = 50;

// True when the file name's extension, in upper case, is ".BMP".
bool IsBmpFileName(const std::string& path);

// The command file's name without folder: the picture's name in upper case with
// every ".BMP" replaced by ".XVD" ("logo.bmp" gives "LOGO.XVD").
std::string LogoCommandFileName(const std::string& picturePath);

// Upper-case hexadecimal, two digits per byte.
std::string HexText(const std::string& bytes);

// "9100" + size (6 digits), one "9101" + length (2 digits) + hex per chunk of at
// most 50 bytes, then "9102".
std::vector<std::string> BuildLogoFile(const std::string& bytes);

}  // namespace vorn

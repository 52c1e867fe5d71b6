// ASCII base-85 encoding of image data for the PDF writer's /ASCII85Decode filter.
#pragma once

#include <string>
#include <string_view>

namespace terv {

// Adobe's ASCII85 of `data`: each group of 4 bytes becomes 5 characters "!".."u", an all-zero
// group "z", a final partial group of n bytes n + 1 characters; the text ends with "~>". No line
// breaks and no opening "<~".
std::string Ascii85Encode(std::string_view data);

}  // namespace terv

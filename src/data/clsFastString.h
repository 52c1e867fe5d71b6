// A growable text buffer for long statements and attribute lists.
//
// The buffer is kept as Windows-1252 characters padded with blanks beyond the used part and
// grows in steps of 2048 characters, so that appending many short pieces costs no repeated
// copying. Texts go in and come out as UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace terv {

class clsFastString {
  public:
    // Appends the text; the buffer grows by the smallest number of whole steps that covers the
    // shortfall. Empty texts change nothing.
    void Add(std::string_view strAddString);
    // The used part.
    std::string GetStr() const;
    // The used part from character `anum` (1-based) to the end.
    std::string GetStrFrom(long anum) const;
    // Empties the buffer; used and allocated become 0.
    void ResetString();
    // Occurrences of `str` in the whole buffer (padding included) that start before the first
    // occurrence of `tostring`; all of them when `tostring` does not occur.
    long GenNumStr(std::string_view str, std::string_view tostring) const;
    // Sum of the 8-bit character codes of the used part.
    long GetNumber() const;

    long lngUsed() const { return lngUsed_; }
    long lngAllocated() const { return lngAllocated_; }
    static constexpr long lngAllocSize = 2048;

  private:
    std::string thestring_;  // Windows-1252, length lngAllocated_
    long lngUsed_ = 0;
    long lngAllocated_ = 0;
};

}  // namespace terv

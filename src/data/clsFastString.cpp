#include "clsFastString.h"

#include "platform/Cp1252.h"

namespace terv {

void clsFastString::Add(std::string_view strAddString) {
    if (strAddString.empty())
        return;
    const std::string text = Utf8ToCp1252(strAddString);
    const long needed = lngUsed_ + static_cast<long>(text.size());
    if (needed > lngAllocated_) {
        const long grow = ((needed - lngAllocated_) / lngAllocSize + 1) * lngAllocSize;
        lngAllocated_ += grow;
        thestring_.resize(lngAllocated_, ' ');
    }
    thestring_.replace(lngUsed_, text.size(), text);
    lngUsed_ = needed;
}

std::string clsFastString::GetStr() const {
    return Cp1252ToUtf8(thestring_.substr(0, lngUsed_));
}

std::string clsFastString::GetStrFrom(long anum) const {
    if (anum < 1)
        anum = 1;
    if (anum > lngUsed_)
        return "";
    return Cp1252ToUtf8(thestring_.substr(anum - 1, lngUsed_ - (anum - 1)));
}

void clsFastString::ResetString() {
    thestring_.clear();
    lngUsed_ = 0;
    lngAllocated_ = 0;
}

long clsFastString::GenNumStr(std::string_view str, std::string_view tostring) const {
    const std::string what = Utf8ToCp1252(str);
    const std::string stop = Utf8ToCp1252(tostring);
    if (what.empty())
        return 0;
    // An empty stop text is found at the very start, as the language's InStr finds it.
    const size_t limit = thestring_.find(stop);
    long count = 0;
    for (size_t at = thestring_.find(what); at != std::string::npos && at < limit;
         at = thestring_.find(what, at + 1)) {
        ++count;
    }
    return count;
}

long clsFastString::GetNumber() const {
    long sum = 0;
    for (long i = 0; i < lngUsed_; ++i)
        sum += static_cast<unsigned char>(thestring_[i]);
    return sum;
}

}  // namespace terv

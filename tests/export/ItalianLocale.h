// Italian number formatting (decimal comma) while an object lives, built into a temporary folder
// with localedef, since test machines seldom carry the locale. It applies to the calling thread
// (the program's), so that an in-process server keeps its own; with `wholeProcess` it is also
// the global C and C++ locale.
#pragma once

#include <locale.h>
#include <clocale>
#include <cstdlib>
#include <filesystem>

#include <locale>
#include <string>

#include "../support/TestSupport.h"

namespace terv::test {

class ItalianNumbers {
  public:
    explicit ItalianNumbers(bool wholeProcess = false) : wholeProcess_(wholeProcess) {
        const std::string dir = folder_ / "locale";
        std::filesystem::create_directories(dir);
        std::system(
            ("localedef -i it_IT -f UTF-8 '" + dir + "/it_IT.UTF-8' >/dev/null 2>&1").c_str());
        setenv("LOCPATH", dir.c_str(), 1);
        italian_ = newlocale(LC_ALL_MASK, "it_IT.UTF-8", nullptr);
        if (italian_)
            previous_ = uselocale(italian_);
        if (italian_ && wholeProcess_ && std::setlocale(LC_ALL, "it_IT.UTF-8"))
            std::locale::global(std::locale("it_IT.UTF-8"));
    }
    ~ItalianNumbers() {
        if (wholeProcess_) {
            std::setlocale(LC_ALL, "C");
            std::locale::global(std::locale::classic());
        }
        if (italian_) {
            uselocale(previous_);
            freelocale(italian_);
        }
        unsetenv("LOCPATH");
    }
    ItalianNumbers(const ItalianNumbers&) = delete;
    ItalianNumbers& operator=(const ItalianNumbers&) = delete;
    // Whether numbers are now written with a decimal comma.
    bool Active() const { return std::string(std::localeconv()->decimal_point) == ","; }

  private:
    TempFolder folder_;
    bool wholeProcess_;
    locale_t italian_ = nullptr;
    locale_t previous_ = nullptr;
};

}  // namespace terv::test

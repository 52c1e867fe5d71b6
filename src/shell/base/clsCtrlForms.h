// The registry of open windows.
//
// Windows register by name when they load and remove themselves when they unload, so that any
// code can ask whether a window (the splash, typically) is still open. A name removed and added
// again gets a fresh record; the old record keeps its count.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace terv {

class clsCtrlForms {
  public:
    clsCtrlForms() = default;
    clsCtrlForms(const clsCtrlForms&) = delete;
    clsCtrlForms& operator=(const clsCtrlForms&) = delete;
    // Every record still counting an open window beeps and shows "Form attivi!".
    ~clsCtrlForms();

    // Subtracts one from the window's count and forgets its name; unknown names are left alone.
    void RemForm(const std::string& aFrm);
    // Registers one more instance of the window; returns its record index.
    long AddForm(const std::string& aFrm, bool visible);
    // Record index of the name, or -1.
    long seekform(const std::string& namefrm) const;
    // Instance count (as a byte) when registered, else 0.
    unsigned char IsFormActive(const std::string& namefrm) const;
    // The visible byte when registered, else 0.
    unsigned char IsFormVisible(const std::string& namefrm) const;
    void SetFormVisible(const std::string& namefrm, unsigned char vis);

    long used() const { return used_; }
    long capacity() const { return static_cast<long>(records_.size()); }

    static constexpr long kGrowth = 10;

  private:
    struct Record {
        std::string name;
        long count = 0;
        unsigned char visible = 0;
    };
    std::vector<Record> records_;
    long used_ = 0;
    std::map<std::string, long> index_;
};

// The program's registry, created on first use.
clsCtrlForms& gCtrlForms();
// Destroys the registry (program end; tests). The next gCtrlForms() makes a new one.
void ReleaseCtrlForms();

}  // namespace terv

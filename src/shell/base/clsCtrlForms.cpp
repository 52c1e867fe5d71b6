#include "clsCtrlForms.h"

#include <memory>

#include "platform/UiPort.h"

namespace terv {

clsCtrlForms::~clsCtrlForms() {
    for (long i = 0; i < used_; ++i) {
        if (records_[i].count > 0) {
            Ui().Beep();
            MsgBox("Form attivi!", vbOKOnly);
        }
    }
}

void clsCtrlForms::RemForm(const std::string& aFrm) {
    const long at = seekform(aFrm);
    if (at < 0)
        return;
    records_[at].count -= 1;
    index_.erase(aFrm);
}

long clsCtrlForms::AddForm(const std::string& aFrm, bool visible) {
    long at = seekform(aFrm);
    if (at < 0) {
        if (used_ == capacity())
            records_.resize(records_.size() + kGrowth);
        at = used_++;
        records_[at] = Record{};
    }
    Record& record = records_[at];
    record.name = aFrm;
    record.count += 1;
    record.visible = visible ? 1 : 0;
    index_[aFrm] = at;
    return at;
}

long clsCtrlForms::seekform(const std::string& namefrm) const {
    const auto found = index_.find(namefrm);
    return found == index_.end() ? -1 : found->second;
}

unsigned char clsCtrlForms::IsFormActive(const std::string& namefrm) const {
    const long at = seekform(namefrm);
    return at < 0 ? 0 : static_cast<unsigned char>(records_[at].count);
}

unsigned char clsCtrlForms::IsFormVisible(const std::string& namefrm) const {
    const long at = seekform(namefrm);
    return at < 0 ? 0 : records_[at].visible;
}

void clsCtrlForms::SetFormVisible(const std::string& namefrm, unsigned char vis) {
    const long at = seekform(namefrm);
    if (at >= 0)
        records_[at].visible = vis;
}

namespace {
std::unique_ptr<clsCtrlForms>& Instance() {
    static std::unique_ptr<clsCtrlForms> instance;
    return instance;
}
}  // namespace

clsCtrlForms& gCtrlForms() {
    if (!Instance())
        Instance() = std::make_unique<clsCtrlForms>();
    return *Instance();
}

void ReleaseCtrlForms() {
    Instance().reset();
}

}  // namespace terv

#include "frmSplash.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QVBoxLayout>

#include "shell/base/clsCtrlForms.h"

namespace terv {

namespace {

frmSplash* gSplash = nullptr;

// The program's logo: a stylised field with a handheld, drawn so that no image file is needed.
QPixmap Logo() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(70, 140, 60));
    p.drawRoundedRect(4, 28, 56, 32, 6, 6);
    p.setBrush(QColor(40, 60, 90));
    p.drawRoundedRect(22, 6, 20, 40, 4, 4);
    p.setBrush(QColor(200, 230, 255));
    p.drawRect(26, 11, 12, 20);
    return pixmap;
}

}  // namespace

QString SplashVersionText() {
    return QString("Version %1.%2.%3")
        .arg(TERV_VERSION_MAJOR)
        .arg(TERV_VERSION_MINOR)
        .arg(TERV_VERSION_PATCH);
}

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName("frmSplash");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* logo = AddLabel("imgLogo", "");
    logo->setPixmap(Logo());
    AddLabel("lblProductName", "TERVPalm");
    AddLabel("lblCompanyProduct", "Rilevazioni in campo - Catasto agricolo");
    AddLabel("lblVersion", SplashVersionText());
    AddLabel("lblPlatform", "Windows");
    AddLabel("lblCompany", "Ufficio ispettori di campo");
    AddLabel("lblCopyright", "Uso riservato al personale autorizzato. Ogni accesso è registrato.");
    warning_ = AddLabel("lblWarning", "Avvio in corso...");
    warning_->setVisible(false);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("ProgressBar1");
    progress_->setRange(0, 100);
    progress_->setVisible(false);
    layout->addWidget(progress_);
    gSplash = this;
    gCtrlForms().AddForm("frmSplash", false);
}

frmSplash::~frmSplash() {
    Forget();
}

void frmSplash::Forget() {
    if (unloaded_)
        return;
    unloaded_ = true;
    if (gSplash == this)
        gSplash = nullptr;
    gCtrlForms().RemForm("frmSplash");
}

QLabel* frmSplash::AddLabel(const char* name, const QString& text) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    layout()->addWidget(label);
    return label;
}

void frmSplash::PortamiDavanti() {
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    show();
    warning_->setVisible(true);
    progress_->setValue(0);
    progress_->setVisible(true);
    gCtrlForms().SetFormVisible("frmSplash", 1);
}

void frmSplash::GoOn() {
    progress_->setValue(std::min(progress_->value() + 1, progress_->maximum()));
    progress_->repaint();
}

void frmSplash::Unload() {
    Forget();
    hide();
    deleteLater();  // may be called from one of its own event handlers
}

void frmSplash::keyPressEvent(QKeyEvent*) {
    Unload();
}

void frmSplash::mousePressEvent(QMouseEvent*) {
    Unload();
}

frmSplash* CurrentSplash() {
    return gSplash;
}

void UnloadSplashIfOpen() {
    if (gCtrlForms().IsFormActive("frmSplash") != 0 && gSplash)
        gSplash->Unload();
}

}  // namespace terv

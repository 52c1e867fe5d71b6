#include "frmItalia.h"

#include "QtBinding.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include "ExportTexts.h"
#include "data/net/KovicliLib.h"
#include "modTrasfPalm.h"
#include "shell/base/clsCtrlForms.h"

namespace terv {

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;

frmItalia* gItalia = nullptr;

std::string KeyOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kKeyRole).toString().toStdString() : "";
}

}  // namespace

QIcon TreeImage(int index) {
    // One icon per image, made once (and kept past the application object, which may go first),
    // so that every node of a level shows the same image.
    static const std::vector<QIcon>* kImages = [] {
        const QStyle* style = QApplication::style();
        return new std::vector<QIcon>{QIcon(), style->standardIcon(QStyle::SP_DriveNetIcon),
                                      style->standardIcon(QStyle::SP_DirIcon),
                                      style->standardIcon(QStyle::SP_DirOpenIcon),
                                      style->standardIcon(QStyle::SP_FileIcon)};
    }();
    return index >= 1 && index <= 4 ? (*kImages)[index] : QIcon();
}

frmItalia::frmItalia(QWidget* parent)
    : QDialog(parent),
      cmbElenchi_(Named(new QComboBox(this), "cmbElenchi")),
      cmbFiltroScarico_(Named(new QComboBox(this), "cmbFiltroScarico")),
      label4_(Named(new QLabel(texts::kLabel4, this), "Label4")),
      label5_(Named(new QLabel(texts::kLabel5, this), "Label5")),
      frame1_(Named(new QGroupBox(this), "Frame1")),
      text1_(Named(new QLineEdit(this), "Text1")),
      chkOnlyLav_(Named(new QCheckBox(texts::kChkOnlyLav, this), "chkOnlyLav")),
      tree_(Named(new QTreeWidget(this), "TreeViewElenco")),
      listasel_(Named(new QListWidget(this), "listasel")) {
    setObjectName("frmItalia");
    setWindowTitle(texts::kItaliaCaption);
    BuildControls();
    Connect();
    gCtrlForms().AddForm("frmItalia", false);
    sel_.onChange = [this] { Sync(); };
    sel_.Form_Load();
}

frmItalia::~frmItalia() {
    gCtrlForms().RemForm("frmItalia");
    if (gItalia == this)
        gItalia = nullptr;
}

void frmItalia::BuildControls() {
    cmbFiltroScarico_->addItems({QString::fromUtf8(texts::kFiltroDaScaricare),
                                 QString::fromUtf8(texts::kFiltroScaricate),
                                 QString::fromUtf8(texts::kFiltroNumero)});
    auto* fill = Named(new QPushButton(texts::kCmdFillElenchi, this), "cmdFillElenchi");
    fill->setToolTip(texts::kCmdFillElenchiTip);
    auto* frameLayout = new QHBoxLayout(frame1_);
    frameLayout->addWidget(Named(new QLabel(texts::kLabel3, frame1_), "Label3"));
    frameLayout->addWidget(text1_);
    frameLayout->addWidget(Named(new QPushButton(texts::kCommand1, frame1_), "Command1"));
    auto* toolbar = Named(new QToolBar(this), "Toolbar2");
    co_ = Named(toolbar->addAction(TreeImage(kImageComune), texts::kToolCO), "CO");
    fo_ = Named(toolbar->addAction(TreeImage(kImageFoglio), texts::kToolFO), "FO");
    co_->setToolTip(texts::kToolCO);
    fo_->setToolTip(texts::kToolFO);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tree_->setHeaderHidden(true);
    tree_->viewport()->installEventFilter(this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Named(new QLabel(texts::kLabel1, this), "Label1"), 0, 0);
    grid->addWidget(cmbElenchi_, 0, 1, 1, 2);
    grid->addWidget(fill, 0, 3);
    grid->addWidget(Named(new QLabel(texts::kLabelFiltro, this), "Label2"), 1, 0);
    grid->addWidget(cmbFiltroScarico_, 1, 1);
    grid->addWidget(label4_, 1, 2);
    grid->addWidget(label5_, 1, 3);
    grid->addWidget(frame1_, 2, 0, 1, 4);
    grid->addWidget(chkOnlyLav_, 3, 0, 1, 4);
    grid->addWidget(toolbar, 4, 0, 1, 4);
    grid->addWidget(tree_, 5, 0, 1, 2);
    grid->addWidget(listasel_, 5, 2, 1, 2);
    grid->addWidget(Named(new QPushButton(texts::kCommand2, this), "Command2"), 6, 0, 1, 2);
    grid->addWidget(Named(new QPushButton(texts::kCmdSelDone, this), "cmdSelDone"), 6, 2, 1, 2);
    resize(820, 600);
}

void frmItalia::Connect() {
    auto button = [this](const char* name) { return findChild<QPushButton*>(name); };
    connect(button("cmdFillElenchi"), &QPushButton::clicked, this,
            [this] { sel_.cmdFillElenchi_Click(); });
    connect(button("Command1"), &QPushButton::clicked, this, [this] { sel_.Command1_Click(); });
    connect(button("Command2"), &QPushButton::clicked, this, [this] { sel_.Command2_Click(); });
    connect(button("cmdSelDone"), &QPushButton::clicked, this, [this] { cmdSelDone_Click(); });
    connect(cmbElenchi_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (syncing_)
            return;
        sel_.cmbElenchiIndex = index;
        sel_.cmbElenchi_Click();
    });
    connect(cmbFiltroScarico_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (syncing_)
            return;
        sel_.cmbFiltroScarico = index;
        sel_.cmbFiltroScarico_Click();
    });
    connect(text1_, &QLineEdit::textEdited, this,
            [this](const QString& t) { sel_.Text1 = t.toStdString(); });
    connect(chkOnlyLav_, &QCheckBox::toggled, this, [this](bool on) {
        if (syncing_)
            return;
        sel_.chkOnlyLav = on;
        sel_.chkOnlyLav_Click();
    });
    connect(co_, &QAction::triggered, this, [this] { sel_.Toolbar2_ButtonClick("CO"); });
    connect(fo_, &QAction::triggered, this, [this] { sel_.Toolbar2_ButtonClick("FO"); });
    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (syncing_)
            return;
        if (TreeNode* node = sel_.TreeViewElenco.Find(KeyOf(item)))
            node->expanded = true;
        sel_.ExpandNode(KeyOf(item));
    });
    connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (syncing_)
            return;
        if (TreeNode* node = sel_.TreeViewElenco.Find(KeyOf(item)))
            node->expanded = false;
    });
}

bool frmItalia::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tree_->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        sel_.TreeClick(KeyOf(tree_->itemAt(mouse->position().toPoint())));
    }
    return QDialog::eventFilter(watched, event);
}

void frmItalia::ShowFor(TrasfPalmState& target, QWidget* owner) {
    target_ = &target;
    if (owner)
        move(owner->geometry().center() - rect().center());
    exec();
    target_ = nullptr;
}

void frmItalia::cmdSelDone_Click() {
    TrasfPalmState scratch;
    if (sel_.cmdSelDone_Click(target_ ? *target_ : scratch))
        hide();
}

void frmItalia::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, [this] {
        KOVICLISetParentWnd(static_cast<intptr_t>(winId()));
        sel_.Form_Activate();
    });
}

QTreeWidgetItem* frmItalia::Item(const std::string& key) const {
    auto it = items_.find(key);
    return it == items_.end() ? nullptr : it->second;
}

void frmItalia::Sync() {
    syncing_ = true;
    SyncCombo();
    cmbFiltroScarico_->setCurrentIndex(sel_.cmbFiltroScarico);
    label4_->setVisible(sel_.Label4Visible);
    label5_->setVisible(sel_.Label5Visible);
    frame1_->setVisible(sel_.Frame1Visible);
    if (text1_->text() != Q(sel_.Text1))
        text1_->setText(Q(sel_.Text1));
    chkOnlyLav_->setChecked(sel_.chkOnlyLav);
    co_->setEnabled(sel_.CO.enabled);
    fo_->setEnabled(sel_.FO.enabled);
    SyncTree();
    ShowEntries(listasel_, sel_.listasel);
    syncing_ = false;
}

void frmItalia::SyncCombo() {
    QStringList texts;
    for (const ComboItem& item : sel_.cmbElenchi)
        texts << Q(item.text);
    QStringList shown;
    for (int i = 0; i < cmbElenchi_->count(); ++i)
        shown << cmbElenchi_->itemText(i);
    if (shown != texts) {
        cmbElenchi_->clear();
        for (const ComboItem& item : sel_.cmbElenchi)
            cmbElenchi_->addItem(Q(item.text), item.itemData);
    }
    cmbElenchi_->setCurrentIndex(sel_.cmbElenchiIndex);
}

void frmItalia::SyncTree() {
    const TerritoryTree& model = sel_.TreeViewElenco;
    // Items whose node is gone, with everything under them.
    std::vector<std::string> gone;
    for (const auto& [key, item] : items_) {
        if (!model.Find(key))
            gone.push_back(key);
    }
    for (const std::string& key : gone) {
        auto it = items_.find(key);
        if (it == items_.end())
            continue;
        std::vector<QTreeWidgetItem*> under{it->second};
        for (size_t i = 0; i < under.size(); ++i) {
            items_.erase(KeyOf(under[i]));
            for (int c = 0; c < under[i]->childCount(); ++c)
                under.push_back(under[i]->child(c));
        }
        delete under.front();
    }
    for (const TreeNode& node : model.nodes()) {
        QTreeWidgetItem*& item = items_[node.key];
        if (!item) {
            QTreeWidgetItem* parent = Item(node.parent);
            item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
            item->setData(0, kKeyRole, Q(node.key));
        }
        item->setText(0, Q(node.text));
        item->setData(0, kImageRole, node.image);
        item->setIcon(0, TreeImage(node.image));
    }
    for (const TreeNode& node : model.nodes())
        items_[node.key]->setExpanded(node.expanded);
    tree_->setCurrentItem(Item(model.selected));
}

frmItalia& ItaliaWindow() {
    if (!gItalia)
        gItalia = new frmItalia;
    return *gItalia;
}

void ReleaseItaliaWindow() {
    delete gItalia;
}

}  // namespace terv

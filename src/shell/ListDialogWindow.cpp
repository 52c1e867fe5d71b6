#include "ListDialogWindow.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace terv {

int TwipsToPixels(int twips) {
    return twips / 15;
}

ListDialogWindow::ListDialogWindow(const ListDialog& dialog, QWidget* parent)
    : QDialog(parent), list_(new QTreeWidget(this)) {
    setObjectName("frmLista");
    setWindowTitle(QString::fromStdString(dialog.title));
    list_->setObjectName("lstElenco");
    list_->setRootIsDecorated(false);
    list_->setColumnCount(static_cast<int>(dialog.columns.size()));
    QStringList headers;
    for (const ListColumn& column : dialog.columns)
        headers << QString::fromStdString(column.name);
    list_->setHeaderLabels(headers);
    for (const auto& row : dialog.rows) {
        QStringList cells;
        for (const std::string& cell : row)
            cells << QString::fromStdString(cell);
        list_->addTopLevelItem(new QTreeWidgetItem(cells));
    }
    for (int i = 0; i < static_cast<int>(dialog.columns.size()); ++i) {
        const int width = dialog.columns[i].width;
        list_->setColumnHidden(i, width == 0);
        if (width > 0)
            list_->setColumnWidth(i, TwipsToPixels(width));
    }
    if (list_->topLevelItemCount() > 0)
        list_->setCurrentItem(list_->topLevelItem(0));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
}

int ListDialogWindow::chosenRow() const {
    QTreeWidgetItem* item = list_->currentItem();
    return item ? list_->indexOfTopLevelItem(item) : -1;
}

}  // namespace terv

// The search tab's controls and their arrangement.
#include "search/SearchPanel.h"

#include "pages/SearchRequest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The result pictures are shown at the size of the site's thumbnails.
const QSize thumbnailSize(120, 90);

} // namespace

QComboBox *SearchPanel::addOptionList(const char *name, const QString &caption, const QStringList &items,
                                      QLabel **label)
{
    auto *list = new QComboBox(this);
    list->setObjectName(QString::fromLatin1(name));
    list->addItems(items);
    list->setCurrentIndex(0);
    list->setAccessibleName(caption.chopped(1));
    *label = new QLabel(caption, this);
    (*label)->setObjectName(QStringLiteral("lbl") + QString::fromLatin1(name).mid(3));
    (*label)->setBuddy(list);
    return list;
}

void SearchPanel::buildControls()
{
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setAccessibleName(QStringLiteral("Search words"));

    cmdSearch = new QPushButton(QStringLiteral("Search"), this);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    cmdSearch->setAccessibleName(cmdSearch->text());
    cmdSearch->setMinimumWidth(96);

    chkExactPhrase = new QCheckBox(QStringLiteral("Search for this exact phrase"), this);
    chkExactPhrase->setObjectName(QStringLiteral("chkExactPhrase"));
    chkExactPhrase->setAccessibleName(chkExactPhrase->text());
    chkHD = new QCheckBox(QStringLiteral("Return only High Definition videos"), this);
    chkHD->setObjectName(QStringLiteral("chkHD"));
    chkHD->setAccessibleName(chkHD->text());

    QLabel *labels[5] = {};
    cboSortBy = addOptionList("cboSortBy", QStringLiteral("Sort By:"), SearchRequest::SortByItems(), &labels[0]);
    cboUploadDate = addOptionList("cboUploadDate", QStringLiteral("Upload Date:"),
                                  SearchRequest::UploadDateItems(), &labels[1]);
    cboDuration = addOptionList("cboDuration", QStringLiteral("Duration:"), SearchRequest::DurationItems(),
                                &labels[2]);
    cboCategory = addOptionList("cboCategory", QStringLiteral("Categories:"), SearchRequest::CategoryItems(),
                                &labels[3]);
    cboResults = addOptionList("cboResults", QStringLiteral("Search Results:"), SearchRequest::ResultsItems(),
                               &labels[4]);

    lvwSearch = new QTreeWidget(this);
    lvwSearch->setObjectName(QStringLiteral("lvwSearch"));
    lvwSearch->setAccessibleName(QStringLiteral("Result list"));
    lvwSearch->setColumnCount(2);
    lvwSearch->setHeaderLabels({QStringLiteral("Image"), QStringLiteral("Title")});
    lvwSearch->setRootIsDecorated(false);
    lvwSearch->setItemsExpandable(false);
    lvwSearch->setAllColumnsShowFocus(true); // full-row selection
    lvwSearch->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwSearch->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwSearch->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwSearch->setUniformRowHeights(true);
    lvwSearch->setAlternatingRowColors(true);
    lvwSearch->setWordWrap(true);
    lvwSearch->setTextElideMode(Qt::ElideRight);
    lvwSearch->setIconSize(thumbnailSize);
    lvwSearch->header()->setStretchLastSection(true);
    lvwSearch->header()->setSectionsMovable(false);
    lvwSearch->setColumnWidth(ColumnImage, thumbnailSize.width() + 16);

    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(txtSearch, 1);
    searchRow->addWidget(cmdSearch);

    auto *switches = new QHBoxLayout;
    switches->addWidget(chkExactPhrase);
    switches->addSpacing(24);
    switches->addWidget(chkHD);
    switches->addStretch(1);

    auto *options = new QGridLayout;
    options->setHorizontalSpacing(12);
    options->setVerticalSpacing(2);
    QComboBox *lists[5] = {cboSortBy, cboUploadDate, cboDuration, cboCategory, cboResults};
    for (int column = 0; column < 5; ++column) {
        options->addWidget(labels[column], 0, column);
        options->addWidget(lists[column], 1, column);
        options->setColumnStretch(column, 1);
    }

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addLayout(switches);
    layout->addLayout(options);
    layout->addSpacing(4);
    layout->addWidget(lvwSearch, 1);
}

#include "mainwindow/event_list_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>
#include <utility>

#include "mainwindow/ui_texts.h"
#include "platform/qt/dialog_builder.h"
#include "platform/ui_thread.h"

namespace dravik {
namespace {

Qt::Alignment ColumnAlignment(int column) {
    return (kEventColumns[column].alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

QTableWidgetItem* MakeItem(const std::string& text, int column) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setTextAlignment(ColumnAlignment(column));
    return item;
}

}  // namespace

void SetUpEventList(QTableWidget& list) {
    list.setColumnCount(kEventColumnCount);
    for (int column = 0; column < kEventColumnCount; ++column) {
        auto* header = new QTableWidgetItem(QString::fromStdString(GetUiText(kEventColumns[column].textNumber)));
        header->setTextAlignment(ColumnAlignment(column));
        list.setHorizontalHeaderItem(column, header);
        list.setColumnWidth(column, ScaledColumnWidth(list.font(), kEventColumns[column].width));
    }
    list.verticalHeader()->hide();
    list.horizontalHeader()->setSectionsClickable(false);
    list.horizontalHeader()->setHighlightSections(false);
    list.horizontalHeader()->setStretchLastSection(false);
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.setShowGrid(true);
    list.setSortingEnabled(false);
    list.setWordWrap(false);
    list.setIconSize(QSize(16, 16));
    list.verticalHeader()->setDefaultSectionSize(std::max(18, list.fontMetrics().height() + 4));
    // The selection stays as visible as with the focus.
    QPalette palette = list.palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    list.setPalette(palette);
}

void InsertEventRow(QTableWidget& list, const QList<QIcon>& images, int index, const QuakeEvent& event, int image) {
    list.insertRow(index);
    QTableWidgetItem* magItem = MakeItem(event.mag, 0);
    if (image >= 0 && image < images.size()) {
        magItem->setIcon(images[image]);
    }
    list.setItem(index, 0, magItem);
    const std::string* subItems[] = {&event.region, &event.data1, &event.data2, &event.wsp1, &event.wsp2, &event.depth};
    for (int column = 1; column < kEventColumnCount; ++column) {
        list.setItem(index, column, MakeItem(*subItems[column - 1], column));
    }
}

CEventListView::CEventListView(QTableWidget& list, const QList<QIcon>& images, IUiThread& uiThread,
                               std::function<void()> refreshMap)
    : m_list(list), m_images(images), m_uiThread(uiThread), m_refreshMap(std::move(refreshMap)) {}

void CEventListView::BeginUpdate() {
    m_uiThread.RunOnUiThread([this] {
        m_list.setUpdatesEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_bWaitCursor = true;
    });
}

void CEventListView::InsertEvent(int index, const QuakeEvent& event, int imageIndex) {
    m_uiThread.RunOnUiThread(
        [&] { InsertEventRow(m_list, m_images, index == kAppendItem ? m_list.rowCount() : index, event, imageIndex); });
}

void CEventListView::InsertEvents(int index, const std::vector<QuakeEvent>& events) {
    m_uiThread.RunOnUiThread([&] {
        for (const QuakeEvent& event : events) {
            InsertEventRow(m_list, m_images, index == kAppendItem ? m_list.rowCount() : index, event,
                           MagnitudeClass(event.mag));
        }
    });
}

void CEventListView::SelectItem(int index) {
    m_uiThread.RunOnUiThread([&] {
        if (index >= 0 && index < m_list.rowCount()) {
            m_list.selectRow(index);
        }
    });
}

void CEventListView::ShowSelectionOnMap() {
    m_uiThread.RunOnUiThread(m_refreshMap);
}

void CEventListView::EndUpdate() {
    m_uiThread.RunOnUiThread([this] {
        m_list.setUpdatesEnabled(true);
        m_list.viewport()->repaint();
        if (m_bWaitCursor) {
            QApplication::restoreOverrideCursor();
            m_bWaitCursor = false;
        }
    });
}

}  // namespace dravik

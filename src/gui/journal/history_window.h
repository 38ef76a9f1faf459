#pragma once

#include "core/journal/journal_location.h"
#include "core/journal/journal_record.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QSpinBox;
class QStandardItemModel;
class QTableView;

namespace velmorix {

class JournalStore;

// "Transfer history" (Ctrl+H): the journal's records in a table sorted by any column, with the
// filters of velmorix-cli history (since, until, port, file, outcome, how many), export to CSV, and a
// double click that opens the folder of the record's file.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    HistoryWindow(JournalLocation location, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // Reads the journal again with the filters as they stand; the reason when it could not.
    QString refresh();
    // Writes the records shown to a CSV file; the reason when it could not.
    QString exportCsv(const QString& path) const;
    const QList<JournalRecord>& records() const { return m_records; }
    QTableView* table() const { return m_table; }
    // The folder a double click on row `row` (as sorted) opens; empty when its record names no file.
    QString folderOfRow(int row) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildFilters();
    void chooseExport();
    void openFolder(const QModelIndex& index);

    JournalLocation m_location;
    std::unique_ptr<JournalStore> m_store;
    QList<JournalRecord> m_records;
    QLineEdit* m_since = nullptr;
    QLineEdit* m_until = nullptr;
    QLineEdit* m_port = nullptr;
    QLineEdit* m_file = nullptr;
    QComboBox* m_outcome = nullptr;
    QSpinBox* m_limit = nullptr;
    QLabel* m_status = nullptr;
    QStandardItemModel* m_model = nullptr;
    QSortFilterProxyModel* m_sorted = nullptr;
    QTableView* m_table = nullptr;
};

} // namespace velmorix

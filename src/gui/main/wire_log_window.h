#pragma once

#include "core/wire/frame_namer.h"
#include "core/wire/wire_recorder.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <deque>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace velmorix {

// The rows of the "Wire log" window: one a named piece (or a run of unknown bytes) of what crossed
// the line, or a line change. Rows are appended in batches and the oldest dropped beyond kMaxRows;
// hex and text are laid out only for the rows the view asks for.
class WireLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Direction, Frame, Hex, Text, ColumnCount };
    enum class Filter { Both, Written, Read };
    struct Row {
        qint64 atUs = 0;
        WireRecorder::Kind kind = WireRecorder::Kind::Line;
        QString name; // empty: bytes the namer does not know
        QByteArray bytes;
    };
    static constexpr qsizetype kMaxRows = 50'000;
    static constexpr qsizetype kHexBytes = 16; // shown of a longer piece

    explicit WireLogModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Appends rows; `tail` rows are those of an entry still growing, replaced by the next append.
    void append(std::deque<Row> rows, std::deque<Row> tail = {});
    void clear();
    void setFilter(Filter filter);
    Filter filter() const { return m_filter; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const Row& row(int shown) const { return *m_shown[std::size_t(shown)]; }
    // The rows shown, as a text file: each row's time, direction and name, then its bytes 16 a row in
    // hex and text.
    QString text() const;

private:
    bool passes(const Row& row) const;
    void add(std::deque<Row> rows);
    void removeTail();

    std::deque<Row> m_rows; // references stay valid while rows are added and dropped at the ends
    std::deque<const Row*> m_shown;
    Filter m_filter = Filter::Both;
    qsizetype m_tail = 0; // rows at the end of m_rows that show an entry still growing
};

// The "Wire log" window: what crossed the port, newest at the bottom, with the known frames named.
// Non-modal; it takes what was recorded since it last looked every kIntervalMs while shown, unless
// paused. "Close" and F12 hide it; recording goes on. An entry still growing is shown as it stands and shown
// again when it has grown.
class WireLogWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 200;

    explicit WireLogWindow(WireRecorder& recorder, QWidget* parent = nullptr);

    // Takes in what was recorded since the last time.
    void refresh();
    bool paused() const { return m_paused; }
    void setPaused(bool paused);
    // Forgets the rows shown; recording goes on.
    void clear();
    // Writes the rows shown to `path`; false with the reason.
    bool save(const QString& path, QString* error) const;

    WireLogModel& model() { return m_model; }
    QTableView* view() const { return m_view; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void saveClicked();
    QTableView* buildTable();

    WireRecorder& m_recorder;
    WireLogModel m_model;
    FrameNamer m_namer;
    qint64 m_next = 0;
    quint64 m_seenChanges = 0;
    bool m_paused = false;
    QTableView* m_view = nullptr;
    QPushButton* m_pause = nullptr;
    QComboBox* m_filter = nullptr;
    QLabel* m_status = nullptr;
    QTimer* m_timer = nullptr;
};

} // namespace velmorix

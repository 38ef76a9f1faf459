#include "gui/main/wire_log_window.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace velmorix {

using Kind = WireRecorder::Kind;

namespace {

QString stamp(qint64 atUs) {
    return QStringLiteral("%1.%2").arg(atUs / 1000).arg(atUs % 1000, 3, 10, QChar('0'));
}

QString arrow(Kind kind) {
    switch (kind) {
    case Kind::ToController:
        return QStringLiteral(">>>");
    case Kind::ToConsole:
        return QStringLiteral("<<<");
    default:
        return QStringLiteral("---");
    }
}

} // namespace

bool WireLogModel::passes(const Row& row) const {
    switch (m_filter) {
    case Filter::Written:
        return row.kind != Kind::ToConsole;
    case Filter::Read:
        return row.kind != Kind::ToController;
    default:
        return true;
    }
}

void WireLogModel::append(std::deque<Row> rows, std::deque<Row> tail) {
    removeTail();
    add(std::move(rows));
    m_tail = qsizetype(tail.size());
    add(std::move(tail));
    m_tail = std::min(m_tail, qsizetype(m_rows.size()));
}

void WireLogModel::removeTail() {
    if (m_tail == 0)
        return;
    qsizetype shown = 0;
    for (qsizetype i = 1; i <= m_tail && shown < qsizetype(m_shown.size()); ++i)
        if (m_shown[m_shown.size() - std::size_t(shown) - 1] == &m_rows[m_rows.size() - std::size_t(i)])
            ++shown;
    if (shown > 0) {
        beginRemoveRows({}, int(m_shown.size() - shown), int(m_shown.size() - 1));
        m_shown.erase(m_shown.end() - shown, m_shown.end());
    }
    m_rows.erase(m_rows.end() - m_tail, m_rows.end());
    m_tail = 0;
    if (shown > 0)
        endRemoveRows();
}

void WireLogModel::add(std::deque<Row> rows) {
    if (rows.empty())
        return;
    // The oldest go first, so the model never holds more than kMaxRows.
    const qsizetype drop =
        std::min<qsizetype>(qsizetype(m_rows.size() + rows.size()) - kMaxRows, qsizetype(m_rows.size()));
    if (drop > 0) {
        // The rows shown are in the order of all rows, so the dropped ones shown are at the front.
        qsizetype n = 0;
        for (qsizetype i = 0; i < drop && n < qsizetype(m_shown.size()); ++i)
            if (m_shown[std::size_t(n)] == &m_rows[std::size_t(i)])
                ++n;
        if (n > 0) {
            beginRemoveRows({}, 0, int(n - 1));
            m_shown.erase(m_shown.begin(), m_shown.begin() + n);
        }
        m_rows.erase(m_rows.begin(), m_rows.begin() + drop);
        if (n > 0)
            endRemoveRows();
    }
    if (qsizetype(rows.size()) > kMaxRows)
        rows.erase(rows.begin(), rows.end() - kMaxRows);
    const std::size_t from = m_rows.size();
    for (Row& r : rows)
        m_rows.push_back(std::move(r));
    std::deque<const Row*> added;
    for (std::size_t i = from; i < m_rows.size(); ++i)
        if (passes(m_rows[i]))
            added.push_back(&m_rows[i]);
    if (added.empty())
        return;
    beginInsertRows({}, int(m_shown.size()), int(m_shown.size() + added.size() - 1));
    m_shown.insert(m_shown.end(), added.begin(), added.end());
    endInsertRows();
}

void WireLogModel::clear() {
    beginResetModel();
    m_shown.clear();
    m_rows.clear();
    m_tail = 0;
    endResetModel();
}

void WireLogModel::setFilter(Filter filter) {
    if (filter == m_filter)
        return;
    beginResetModel();
    m_filter = filter;
    m_shown.clear();
    for (const Row& r : m_rows)
        if (passes(r))
            m_shown.push_back(&r);
    endResetModel();
}

int WireLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_shown.size());
}

int WireLogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant WireLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_shown.size()))
        return {};
    const Row& r = *m_shown[std::size_t(index.row())];
    const qsizetype shown = std::min(r.bytes.size(), kHexBytes);
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case Time:
            return stamp(r.atUs);
        case Direction:
            return arrow(r.kind);
        case Frame:
            return r.name;
        case Hex:
            return WireRecorder::hexBytes(r.bytes.left(shown)) +
                   (shown < r.bytes.size() ? QStringLiteral(" …") : QString());
        case Text:
            return WireRecorder::printableBytes(r.bytes.left(shown)) +
                   (shown < r.bytes.size() ? QStringLiteral("…") : QString());
        default:
            return {};
        }
    }
    if (role == Qt::ToolTipRole && index.column() >= Hex && shown < r.bytes.size())
        return QStringLiteral("%1 bytes").arg(r.bytes.size());
    // A name wider than its column (the link's line with its wall-clock time) reads whole here.
    if (role == Qt::ToolTipRole && index.column() == Frame && !r.name.isEmpty())
        return r.name;
    if (role == Qt::TextAlignmentRole && index.column() == Time)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant WireLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList titles{QStringLiteral("Time (ms)"), QStringLiteral("Dir"),
                                    QStringLiteral("Frame"), QStringLiteral("Hex"), QStringLiteral("Text")};
    return titles.value(section);
}

QString WireLogModel::text() const {
    QString out;
    for (const Row* r : m_shown) {
        const QString head = QStringLiteral("%1 ms  %2  ").arg(stamp(r->atUs), 13).arg(arrow(r->kind));
        if (r->kind == Kind::Line || r->kind == Kind::Note) {
            out += head + r->name + QChar('\n');
            continue;
        }
        out += head + (r->name.isEmpty() ? QStringLiteral("(%1 bytes)").arg(r->bytes.size()) : r->name) +
               QChar('\n');
        for (qsizetype at = 0; at < r->bytes.size(); at += 16) {
            const QByteArray chunk = r->bytes.mid(at, 16);
            out += QString(head.size(), QChar(' ')) + QStringLiteral("%1 |%2|\n")
                                                          .arg(WireRecorder::hexBytes(chunk), -47)
                                                          .arg(WireRecorder::printableBytes(chunk));
        }
    }
    return out;
}

WireLogWindow::WireLogWindow(WireRecorder& recorder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_recorder(recorder), m_next(recorder.begin()) {
    setObjectName(QStringLiteral("FormWireLog"));
    setWindowTitle(QStringLiteral("Wire log"));

    m_pause = new QPushButton(QStringLiteral("Pause"), this);
    m_pause->setObjectName(QStringLiteral("ButtonPause"));
    m_pause->setCheckable(true);
    connect(m_pause, &QPushButton::toggled, this, [this](bool on) { setPaused(on); });
    auto* clearButton = new QPushButton(QStringLiteral("Clear"), this);
    clearButton->setObjectName(QStringLiteral("ButtonClear"));
    connect(clearButton, &QPushButton::clicked, this, [this] { clear(); });
    m_filter = new QComboBox(this);
    m_filter->setObjectName(QStringLiteral("ComboBoxDirection"));
    m_filter->addItems({QStringLiteral("Both directions"), QStringLiteral(">>> written by the console"),
                        QStringLiteral("<<< read by the console")});
    connect(m_filter, &QComboBox::currentIndexChanged, this,
            [this](int i) { m_model.setFilter(static_cast<WireLogModel::Filter>(i)); });
    auto* saveButton = new QPushButton(QStringLiteral("Save..."), this);
    saveButton->setObjectName(QStringLiteral("ButtonSave"));
    connect(saveButton, &QPushButton::clicked, this, [this] { saveClicked(); });
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LabelStatus"));
    auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("ButtonClose"));
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
    // F12 closes it again, as F12 in the main window opened it.
    auto* key = new QShortcut(QKeySequence(Qt::Key_F12), this);
    key->setContext(Qt::WindowShortcut);
    connect(key, &QShortcut::activated, this, &QWidget::hide);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_pause);
    bar->addWidget(clearButton);
    bar->addWidget(m_filter);
    bar->addWidget(saveButton);
    bar->addStretch(1);
    bar->addWidget(m_status);
    bar->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(buildTable(), 1);
    resize(1000, 480);

    m_timer = new QTimer(this);
    m_timer->setInterval(kIntervalMs);
    connect(m_timer, &QTimer::timeout, this, [this] { refresh(); });
}

// The rows: fixed-pitch, one line each, the columns as wide as what they hold.
QTableView* WireLogWindow::buildTable() {
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("TableWireLog"));
    m_view->setModel(&m_model);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_view->setFont(fixed);
    m_view->setWordWrap(false);
    m_view->setShowGrid(false);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(QFontMetrics(fixed).height() + 4);
    const QFontMetrics fm(fixed);
    m_view->setColumnWidth(WireLogModel::Time, fm.horizontalAdvance(QStringLiteral("0000000.000")) + 12);
    m_view->setColumnWidth(WireLogModel::Direction, fm.horizontalAdvance(QStringLiteral("<<<")) + 16);
    m_view->setColumnWidth(WireLogModel::Frame,
                           fm.horizontalAdvance(QStringLiteral("named value write Program.Cnc 10768=1006")) +
                               12);
    m_view->setColumnWidth(WireLogModel::Hex,
                           fm.horizontalAdvance(QString(WireLogModel::kHexBytes * 3 + 1, 'F')) + 12);
    m_view->horizontalHeader()->setStretchLastSection(true);
    return m_view;
}

void WireLogWindow::showEvent(QShowEvent* event) {
    refresh();
    m_timer->start();
    QWidget::showEvent(event);
}

void WireLogWindow::hideEvent(QHideEvent* event) {
    m_timer->stop();
    QWidget::hideEvent(event);
}

void WireLogWindow::setPaused(bool paused) {
    m_paused = paused;
    if (m_pause->isChecked() != paused)
        m_pause->setChecked(paused);
    m_pause->setText(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    if (!paused)
        refresh();
}

void WireLogWindow::clear() {
    m_model.clear();
    m_recorder.seal(); // what comes next is new
    m_next = m_recorder.end();
    m_status->clear();
}

void WireLogWindow::refresh() {
    if (m_paused || (m_recorder.changes() == m_seenChanges && m_next >= m_recorder.begin()))
        return;
    m_seenChanges = m_recorder.changes();
    if (m_next < m_recorder.begin()) {
        m_status->setText(QStringLiteral("older entries dropped from the 4 MiB record"));
        m_next = m_recorder.begin();
        m_namer.reset();
    }
    const auto rowsOf = [](FrameNamer& namer, const WireRecorder::Entry& e,
                           std::deque<WireLogModel::Row>& rows) {
        if (e.kind == Kind::Line || e.kind == Kind::Note) {
            rows.push_back({e.atUs, e.kind, e.line, {}});
            return;
        }
        for (const WirePiece& p : namer.name(e.kind, e.bytes))
            rows.push_back({e.atUs, e.kind, p.name, p.bytes});
    };
    const qint64 settled = m_recorder.settledEnd();
    std::deque<WireLogModel::Row> rows;
    for (; m_next < settled; ++m_next)
        rowsOf(m_namer, m_recorder.at(m_next), rows);
    // The entry still growing, named by a copy of the namer so it is named afresh when it is done.
    std::deque<WireLogModel::Row> tail;
    FrameNamer provisional = m_namer;
    if (settled < m_recorder.end())
        rowsOf(provisional, m_recorder.at(settled), tail);
    // A frame cut by the end of the last entry shows as it stands, too.
    if (m_recorder.end() > m_recorder.begin()) {
        const qint64 atUs = m_recorder.at(m_recorder.end() - 1).atUs;
        for (const Kind kind : {Kind::ToController, Kind::ToConsole})
            for (const WirePiece& p : provisional.pending(kind))
                tail.push_back({atUs, kind, p.name, p.bytes});
    }
    QScrollBar* bar = m_view->verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    m_model.append(std::move(rows), std::move(tail));
    if (atBottom)
        m_view->scrollToBottom();
}

bool WireLogWindow::save(const QString& path, QString* error) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(m_model.text().toUtf8()) < 0 ||
        !file.flush()) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

void WireLogWindow::saveClicked() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save the wire log"),
                                                      QStringLiteral("wire-log.txt"),
                                                      QStringLiteral("Text files (*.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    QString why;
    if (!save(path, &why))
        QMessageBox::warning(this, QStringLiteral("Wire log"), why);
}

} // namespace velmorix

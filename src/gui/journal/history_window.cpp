#include "gui/journal/history_window.h"

#include "core/journal/history_format.h"
#include "core/journal/journal_store.h"
#include "core/wire/recording_port.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QUrl>
#include <QUuid>
#include <QVBoxLayout>

namespace velmorix {

namespace {

const char* const kColumns[] = {"Started",   "Program", "User",    "Host",  "Port",  "Device",
                                "Direction", "Type",    "File",    "Bytes", "Lines", "Duration (ms)",
                                "Outcome",   "Serial",  "SHA-256", "Path"};
constexpr int kPathColumn = 15;

QList<QStandardItem*> rowOf(const JournalRecord& r) {
    const auto text = [](const QString& t) { return new QStandardItem(t); };
    const auto number = [](const std::optional<qint64>& n) {
        auto* item = new QStandardItem;
        if (n)
            item->setData(*n, Qt::DisplayRole);
        return item;
    };
    return {text(wallClockText(r.started)),
            text(r.program),
            text(r.osUser),
            text(r.host),
            text(r.port),
            text(r.device),
            text(r.sending ? QStringLiteral("send") : QStringLiteral("receive")),
            text(r.fileType),
            text(r.fileName),
            number(r.bytes),
            number(r.lines),
            number(r.durationMs),
            text(outcomeText(r)),
            text(r.controllerSerial),
            text(r.sha256),
            text(r.filePath)};
}

} // namespace

HistoryWindow::HistoryWindow(JournalLocation location, QWidget* parent)
    : QWidget(parent, Qt::Window), m_location(std::move(location)),
      m_store(std::make_unique<JournalStore>(QStringLiteral("history-window-") +
                                             QUuid::createUuid().toString(QUuid::WithoutBraces))) {
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("Transfer history"));
    m_model = new QStandardItemModel(this);
    QStringList headers;
    for (const char* c : kColumns)
        headers << QString::fromLatin1(c);
    m_model->setHorizontalHeaderLabels(headers);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("TableHistory"));
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(0, Qt::DescendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(m_table, &QTableView::doubleClicked, this, &HistoryWindow::openFolder);
    buildFilters();
    resize(1100, 600);
}

HistoryWindow::~HistoryWindow() = default;

// A tool window: Escape puts it away, as it does a dialog.
void HistoryWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HistoryWindow::buildFilters() {
    const auto edit = [this](const char* name, const QString& hint) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setPlaceholderText(hint);
        connect(e, &QLineEdit::returnPressed, this, [this] { refresh(); });
        return e;
    };
    m_since = edit("EditSince", QStringLiteral("2026-12-09, 2026-12-09T10:05, today, 2h, 7d"));
    m_until = edit("EditUntil", QStringLiteral("2026-12-10, yesterday"));
    m_port = edit("EditPort", QStringLiteral("COM1, /dev/ttyUSB0, simulator"));
    m_file = edit("EditFile", QStringLiteral("part of the file's name or path"));
    m_outcome = new QComboBox(this);
    m_outcome->setObjectName(QStringLiteral("ComboOutcome"));
    m_outcome->addItem(QStringLiteral("any"));
    for (auto k : {TransferEnd::Kind::Sent, TransferEnd::Kind::Received, TransferEnd::Kind::Refused,
                   TransferEnd::Kind::NotConfirmed, TransferEnd::Kind::BrokenOff, TransferEnd::Kind::NotWhole,
                   TransferEnd::Kind::NotSaved, TransferEnd::Kind::Failed})
        m_outcome->addItem(outcomeWord(k));
    m_limit = new QSpinBox(this);
    m_limit->setRange(0, 1000000);
    m_limit->setValue(1000);
    m_limit->setSpecialValueText(QStringLiteral("all"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Since"), m_since);
    form->addRow(QStringLiteral("Until"), m_until);
    form->addRow(QStringLiteral("Port"), m_port);
    form->addRow(QStringLiteral("File"), m_file);
    form->addRow(QStringLiteral("Outcome"), m_outcome);
    form->addRow(QStringLiteral("At most"), m_limit);
    auto* show = new QPushButton(QStringLiteral("Show"), this);
    show->setObjectName(QStringLiteral("ButtonShow"));
    connect(show, &QPushButton::clicked, this, [this] { refresh(); });
    auto* exportButton = new QPushButton(QStringLiteral("Export CSV..."), this);
    exportButton->setObjectName(QStringLiteral("ButtonExportCsv"));
    connect(exportButton, &QPushButton::clicked, this, &HistoryWindow::chooseExport);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LabelStatus"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(show);
    buttons->addWidget(exportButton);
    buttons->addWidget(m_status, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(m_table, 1);
}

QString HistoryWindow::refresh() {
    HistoryFilter f;
    const QDateTime now = QDateTime::currentDateTime();
    QString error;
    if (!m_since->text().trimmed().isEmpty() && !(f.since = parseHistoryTime(m_since->text(), now, false)))
        error = QStringLiteral("\"%1\" is not a time").arg(m_since->text());
    if (!m_until->text().trimmed().isEmpty() && !(f.until = parseHistoryTime(m_until->text(), now, true)))
        error = QStringLiteral("\"%1\" is not a time").arg(m_until->text());
    f.port = m_port->text().trimmed();
    f.file = m_file->text().trimmed();
    if (m_outcome->currentIndex() > 0)
        f.outcomes << *outcomeOfWord(m_outcome->currentText());
    f.limit = m_limit->value();
    if (error.isEmpty() && !m_store->isOpen())
        error = m_store->open(m_location);
    if (error.isEmpty())
        m_records = m_store->query(f, &error);
    if (!error.isEmpty()) {
        m_status->setText(QStringLiteral("%1: %2").arg(m_location.text(), error));
        return error;
    }
    m_model->removeRows(0, m_model->rowCount());
    for (const JournalRecord& r : m_records)
        m_model->appendRow(rowOf(r));
    m_table->resizeColumnsToContents();
    m_status->setText(QStringLiteral("%1 transfers in %2").arg(m_records.size()).arg(m_location.text()));
    return {};
}

QString HistoryWindow::exportCsv(const QString& path) const {
    QFile file(path);
    const QByteArray csv = historyCsv(m_records);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(csv) != csv.size())
        return QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return {};
}

void HistoryWindow::chooseExport() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export CSV"), QStringLiteral("transfers.csv"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    const QString error = exportCsv(path);
    m_status->setText(error.isEmpty() ? QStringLiteral("Exported to %1").arg(path) : error);
}

QString HistoryWindow::folderOfRow(int row) const {
    const QString path = m_sorted->index(row, kPathColumn).data().toString();
    return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
}

void HistoryWindow::openFolder(const QModelIndex& index) {
    const QString folder = folderOfRow(index.row());
    if (folder.isEmpty()) {
        m_status->setText(QStringLiteral("This transfer names no file on this PC (a receive not saved)"));
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace velmorix

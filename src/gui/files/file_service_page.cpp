#include "gui/files/file_service_page.h"

#include "gui/files/file_list_model.h"
#include "gui/files/uniform_list_view.h"
#include "gui/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace velmorix {

using namespace widgets;

namespace {

template <typename T> T* named(T* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

void OperateBox::mousePressEvent(QMouseEvent* event) {
    emit pressedAt(static_cast<int>(event->position().y()));
    QGroupBox::mousePressEvent(event);
}

FileServicePage::FileServicePage(Console& console, QWidget* area) : QObject(area), m_console(console) {
    buildOperateBox(area);
    buildListAndLabels(area);
    connectControls();
}

// The group box with the send row and the receive row.
void FileServicePage::buildOperateBox(QWidget* area) {
    auto* v = new QVBoxLayout(area);
    v->setContentsMargins(0, 0, 0, 0);
    GroupBoxOperate = named(new OperateBox(area), "GroupBoxOperate");
    auto* grid = new QGridLayout(GroupBoxOperate);
    RadioButtonSendFile =
        named(new QRadioButton(QStringLiteral("Send File to CNC:  TYPE >> "), GroupBoxOperate),
              "RadioButtonSendFile");
    ComboBoxSendFile = named(new QComboBox(GroupBoxOperate), "ComboBoxSendFile");
    ButtonOpenFile = named(new QPushButton(QStringLiteral("OpenFile"), GroupBoxOperate), "ButtonOpenFile");
    ButtonSendOut = named(new QPushButton(QStringLiteral("SendOut"), GroupBoxOperate), "ButtonSendOut");
    CheckBoxFlash = named(new QCheckBox(QStringLiteral("w2Flash"), GroupBoxOperate), "CheckBoxFlash");
    RadioButtonRecvFile =
        named(new QRadioButton(QStringLiteral("Recv File fm CNC:  TYPE >> "), GroupBoxOperate),
              "RadioButtonRecvFile");
    ComboBoxRecvFile = named(new QComboBox(GroupBoxOperate), "ComboBoxRecvFile");
    ButtonRecvIn = named(new QPushButton(QStringLiteral("RecvIn"), GroupBoxOperate), "ButtonRecvIn");
    ButtonSaveFile = named(new QPushButton(QStringLiteral("SaveFile"), GroupBoxOperate), "ButtonSaveFile");
    // The rows are chosen by a press on the group box; the radio buttons only show the choice.
    for (QRadioButton* r : {RadioButtonSendFile, RadioButtonRecvFile}) {
        r->setAttribute(Qt::WA_TransparentForMouseEvents);
        r->setAutoExclusive(false);
    }
    grid->addWidget(RadioButtonSendFile, 0, 0);
    grid->addWidget(ComboBoxSendFile, 0, 1);
    grid->addWidget(ButtonOpenFile, 0, 2);
    grid->addWidget(ButtonSendOut, 0, 3);
    grid->addWidget(CheckBoxFlash, 0, 4);
    grid->addWidget(RadioButtonRecvFile, 1, 0);
    grid->addWidget(ComboBoxRecvFile, 1, 1);
    grid->addWidget(ButtonRecvIn, 1, 2);
    grid->addWidget(ButtonSaveFile, 1, 3);
    v->addWidget(GroupBoxOperate);
}

// The list of the loaded or received file, its labels and the gauge.
void FileServicePage::buildListAndLabels(QWidget* area) {
    auto* v = static_cast<QVBoxLayout*>(area->layout());
    // Every row has the list's extent as its width, so the view need not measure each one, nor keep
    // anything per row: a DNC run's list grows to its millions of lines.
    ListBoxFileSvc = named(new UniformListView(area), "ListBoxFileSvc");
    ListBoxFileSvc->setFont(fixedFont());
    m_list = new FileListModel(this);
    ListBoxFileSvc->setModel(m_list);
    ListBoxFileSvc->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBoxFileSvc->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    v->addWidget(ListBoxFileSvc, 1);
    auto* labels = new QGridLayout;
    LabelFileName = named(new QLabel(area), "LabelFileName");
    LabelFileTime = named(new QLabel(area), "LabelFileTime");
    LabelFileSize = named(new QLabel(area), "LabelFileSize");
    CGauge = named(new QProgressBar(area), "CGauge");
    labels->addWidget(LabelFileName, 0, 0, 1, 3);
    labels->addWidget(LabelFileTime, 1, 0);
    labels->addWidget(LabelFileSize, 1, 1);
    labels->addWidget(CGauge, 1, 2);
    labels->setColumnStretch(2, 1);
    v->addLayout(labels);
}

void FileServicePage::connectControls() {
    connect(GroupBoxOperate, &OperateBox::pressedAt, this, [this](int y) {
        auto within = [y](QWidget* w) { return y > w->y() && y < w->y() + w->height(); };
        m_console.GroupBoxOperateMouseDown(within(RadioButtonSendFile)   ? FilePage::Row::Send
                                           : within(RadioButtonRecvFile) ? FilePage::Row::Recv
                                                                         : FilePage::Row::None);
    });
    connect(ComboBoxSendFile, &QComboBox::activated, this,
            [this](int i) { m_console.ComboBoxSendFileChange(i); });
    connect(ComboBoxRecvFile, &QComboBox::activated, this,
            [this](int i) { m_console.ComboBoxRecvFileChange(i); });
    connect(ButtonOpenFile, &QPushButton::clicked, this, [this] { m_console.ButtonOpenFileClick(); });
    connect(CheckBoxFlash, &QCheckBox::clicked, this, [this](bool on) { m_console.CheckBoxFlashClick(on); });
    connect(ButtonSendOut, &QPushButton::clicked, this, [this] { m_console.ButtonSendOutClick(); });
    connect(ButtonRecvIn, &QPushButton::clicked, this, [this] { m_console.ButtonRecvInClick(); });
    ListBoxFileSvc->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListBoxFileSvc, &QListView::customContextMenuRequested, this,
            [this](const QPoint& at) { offerSendFromLine(at); });
    connect(ButtonSaveFile, &QPushButton::clicked, this, [this] { m_console.ButtonSaveFileClick(); });
}

// A loaded DNC program's list offers a run from the clicked line, as velmorix-cli's --from-line does;
// every list offers the actions its widget carries (the journal's).
void FileServicePage::offerSendFromLine(const QPoint& at) {
    const FilePageView& v = m_console.filePage().view();
    const QModelIndex index = ListBoxFileSvc->indexAt(at);
    qint32 line = 0;
    if (index.isValid() && v.sendRow && v.sendItem == kDncTypeIndex &&
        !m_console.filePage().transferRunning()) {
        // The row's own number: ";[nnnnnnnn] …".
        static const QRegularExpression number(QStringLiteral("^;\\[(\\d{8})\\]"));
        const auto m = number.match(QString::fromLatin1(v.row(index.row()).left(12)));
        line = m.hasMatch() ? m.captured(1).toInt() : 0;
    }
    QMenu menu(ListBoxFileSvc);
    QAction* send = nullptr;
    if (line > 0) {
        send = menu.addAction(QStringLiteral("Send from this line"));
        send->setObjectName(QStringLiteral("ActionSendFromLine"));
        send->setEnabled(m_console.state().view.controls.GroupBoxOperate);
    }
    menu.addActions(ListBoxFileSvc->actions());
    if (menu.isEmpty())
        return;
    QAction* chosen = menu.exec(ListBoxFileSvc->viewport()->mapToGlobal(at));
    if (chosen && chosen == send)
        m_console.sendDncFromLine(line);
}

void FileServicePage::render() {
    const FilePageView& v = m_console.filePage().view();
    const ConsoleState& s = m_console.state();
    if (ComboBoxSendFile->count() != v.sendItems.size()) {
        ComboBoxSendFile->clear();
        ComboBoxSendFile->addItems(v.sendItems);
    }
    if (ComboBoxRecvFile->count() != v.recvItems.size()) {
        ComboBoxRecvFile->clear();
        ComboBoxRecvFile->addItems(v.recvItems);
    }
    if (ComboBoxSendFile->currentIndex() != v.sendItem)
        ComboBoxSendFile->setCurrentIndex(v.sendItem);
    if (ComboBoxRecvFile->currentIndex() != v.recvItem)
        ComboBoxRecvFile->setCurrentIndex(v.recvItem);
    RadioButtonSendFile->setChecked(v.sendRow);
    enable(RadioButtonSendFile, v.sendRow);
    RadioButtonRecvFile->setChecked(!v.sendRow);
    enable(RadioButtonRecvFile, !v.sendRow);
    enable(GroupBoxOperate, s.view.controls.GroupBoxOperate);
    // While a transfer runs the rows start nothing new; "Break" of a load stays usable.
    const bool idle = !m_console.filePage().transferRunning();
    enable(ComboBoxSendFile, v.ComboBoxSendFileEnabled && idle);
    enable(ButtonOpenFile, v.ButtonOpenFileEnabled && (idle || v.textLoading));
    if (ButtonOpenFile->text() != v.openFileCaption())
        ButtonOpenFile->setText(v.openFileCaption());
    enable(ButtonSendOut, v.ButtonSendOutEnabled && idle);
    enable(CheckBoxFlash, v.CheckBoxFlashEnabled);
    CheckBoxFlash->setChecked(v.CheckBoxFlash);
    enable(ComboBoxRecvFile, v.ComboBoxRecvFileEnabled && idle);
    enable(ButtonRecvIn, v.ButtonRecvInEnabled && idle);
    enable(ButtonSaveFile, v.ButtonSaveFileEnabled);

    m_list->show(v, ListBoxFileSvc->font());
    // A run that broke off: the line to resume from is selected and in view, so "Send from this line"
    // is one click away.
    if (v.resumeRevision != m_resumeRevision) {
        m_resumeRevision = v.resumeRevision;
        const qsizetype row = v.rowOfLine(v.resumeLine);
        if (row >= 0) {
            const QModelIndex index = m_list->index(static_cast<int>(row), 0);
            ListBoxFileSvc->setCurrentIndex(index);
            ListBoxFileSvc->scrollTo(index, QAbstractItemView::PositionAtCenter);
        }
    }
    setText(LabelFileName, v.LabelFileName);
    if (LabelFileName->toolTip() != v.LabelFileNameHint)
        LabelFileName->setToolTip(v.LabelFileNameHint);
    setText(LabelFileTime, v.LabelFileTime);
    setText(LabelFileSize, v.LabelFileSize);
    if (LabelFileSize->toolTip() != v.LabelFileSizeHint)
        LabelFileSize->setToolTip(v.LabelFileSizeHint);
    CGauge->setMaximum(std::max(1, v.gaugeMax));
    CGauge->setValue(std::clamp(v.gaugePosition, 0, std::max(1, v.gaugeMax)));
}

} // namespace velmorix

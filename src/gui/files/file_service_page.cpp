#include "gui/files/file_service_page.h"

#include "core/tables/text_tables.h"
#include "gui/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmorix {

using namespace widgets;

namespace {

template <typename T> T* named(T* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// A list line for the eye: control bytes (the break bytes at the start of a line, bytes below 0x20
// in the character column) as their control pictures; UTF-8 or GBK text decoded.
QString displayLine(const QByteArray& line) {
    QString text = decodeTableText(line);
    for (QChar& c : text)
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
    return text;
}

} // namespace

void OperateBox::mousePressEvent(QMouseEvent* event) {
    emit pressedAt(static_cast<int>(event->position().y()));
    QGroupBox::mousePressEvent(event);
}

FileServicePage::FileServicePage(Console& console, QWidget* area) : QObject(area), m_console(console) {
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

    ListBoxFileSvc = named(new QListWidget(area), "ListBoxFileSvc");
    ListBoxFileSvc->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ListBoxFileSvc->setUniformItemSizes(true);
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
    ComboBoxSendFile->setCurrentIndex(v.sendItem);
    ComboBoxRecvFile->setCurrentIndex(v.recvItem);
    RadioButtonSendFile->setChecked(v.sendRow);
    RadioButtonSendFile->setEnabled(v.sendRow);
    RadioButtonRecvFile->setChecked(!v.sendRow);
    RadioButtonRecvFile->setEnabled(!v.sendRow);
    GroupBoxOperate->setEnabled(s.view.controls.GroupBoxOperate);
    ComboBoxSendFile->setEnabled(v.ComboBoxSendFileEnabled);
    ButtonOpenFile->setEnabled(v.ButtonOpenFileEnabled);
    ButtonOpenFile->setText(v.ButtonOpenFileCaption());
    ButtonSendOut->setEnabled(v.ButtonSendOutEnabled);
    CheckBoxFlash->setEnabled(v.CheckBoxFlashEnabled);
    CheckBoxFlash->setChecked(v.CheckBoxFlash);
    ComboBoxRecvFile->setEnabled(v.ComboBoxRecvFileEnabled);
    ButtonRecvIn->setEnabled(v.ButtonRecvInEnabled);
    ButtonSaveFile->setEnabled(v.ButtonSaveFileEnabled);

    // The same list (shared data) is not rebuilt on every tick.
    if (v.listLines.constData() != m_listShown.constData() || v.listLines.size() != m_listShown.size()) {
        m_listShown = v.listLines;
        ListBoxFileSvc->clear();
        QStringList lines;
        lines.reserve(v.listLines.size());
        for (const QByteArray& line : v.listLines)
            lines << displayLine(line);
        ListBoxFileSvc->addItems(lines);
    }
    setText(LabelFileName, v.LabelFileName);
    if (LabelFileName->toolTip() != v.LabelFileNameHint)
        LabelFileName->setToolTip(v.LabelFileNameHint);
    setText(LabelFileTime, v.LabelFileTime);
    setText(LabelFileSize, v.LabelFileSize);
    CGauge->setMaximum(std::max(1, v.gaugeMax));
    CGauge->setValue(std::clamp(v.gaugePosition, 0, std::max(1, v.gaugeMax)));
}

} // namespace velmorix

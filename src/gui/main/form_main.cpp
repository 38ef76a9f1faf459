#include "gui/main/form_main.h"

#include "gui/main/click_label.h"
#include "gui/main/wire_log_window.h"
#include "gui/pages/monitor_pages.h"
#include "gui/widgets.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace velmorix {

using namespace widgets;

namespace {

const char* const kAxes[] = {"X", "Y", "Z", "A", "B", "C", "U", "V", "W"};
const char* const kPageButtons[][2] = {
    {"ButtonPlcBit", "PlcBit"}, {"ButtonPlcRCT", "PlcRCT"},   {"ButtonVarUser", "VarUser"},
    {"ButtonVarSys", "VarSys"}, {"ButtonCNCInfo", "CNCInfo"}, {"ButtonMCMData", "McmData"},
    {"ButtonMotion", "Motion"}, {"ButtonFileSvc", "FileSvc"}, {"ButtonHelp", "Help"},
    {"ButtonClose", "Close"},
};
constexpr int kStatusWidths[] = {100, 200, 200, 150, 50};
constexpr int kStatusHeight = 21;

} // namespace

TFormMain::TFormMain(Console& console, QWidget* parent) : QWidget(parent), m_console(console) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    buildCoordinatePanel();
    Notebook = new QStackedWidget(this);
    Notebook->setObjectName(QStringLiteral("Notebook"));
    buildCommPage();
    m_pages = new MonitorPages(m_console, Notebook);
    buildPageButtons();
    buildBottomRow();
    buildStatusBar();
    layoutWindow();
    connect(&m_console, &Console::changed, this, &TFormMain::render);
    // F12 anywhere in the window opens the wire log, and closes it again; no control of its own.
    auto* wireLogKey = new QShortcut(QKeySequence(Qt::Key_F12), this);
    wireLogKey->setContext(Qt::WindowShortcut);
    connect(wireLogKey, &QShortcut::activated, this, &TFormMain::toggleWireLog);
}

WireLogWindow* TFormMain::wireLogWindow() {
    if (!m_wireLog)
        m_wireLog = new WireLogWindow(m_console.wireLog(), this);
    return m_wireLog;
}

void TFormMain::showWireLog() {
    WireLogWindow* w = wireLogWindow();
    w->show();
    w->raise();
    w->activateWindow();
}

void TFormMain::toggleWireLog() {
    if (m_wireLog && m_wireLog->isVisible())
        m_wireLog->hide();
    else
        showWireLog();
}

TFormMain::~TFormMain() {
    if (m_busyShown)
        QApplication::restoreOverrideCursor();
    if (!m_destroyed) {
        m_destroyed = true;
        m_console.FormDestroy();
    }
}

void TFormMain::start(const QStringList& arguments) {
    StartupInputs inputs;
    inputs.arguments = arguments;
    inputs.nameLabelChars = m_pages->nameLabelChars();
    m_console.FormCreate(inputs);
    render();
}

QWidget* TFormMain::control(const QString& name) const {
    return findChild<QWidget*>(name);
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (!m_destroyed) {
        m_destroyed = true;
        m_console.FormDestroy();
    }
    event->accept();
}

QLabel* TFormMain::fixedLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(fixedFont());
    return label;
}

void TFormMain::buildCoordinatePanel() {
    PanelCoordinate = new QFrame(this);
    PanelCoordinate->setObjectName(QStringLiteral("PanelCoordinate"));
    static_cast<QFrame*>(PanelCoordinate)->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(PanelCoordinate);
    grid->setContentsMargins(12, 8, 40, 8);
    grid->setHorizontalSpacing(10);
    const QFont axisFont = fixedFont(16);
    for (int i = 0; i < 9; ++i) {
        const int column = (i / 3) * 2;
        const int row = i % 3;
        auto* caption = new QLabel(QString::fromLatin1(kAxes[i]) + QLatin1Char(':'), PanelCoordinate);
        caption->setObjectName(QStringLiteral("Label%1D").arg(QLatin1String(kAxes[i])));
        caption->setFont(axisFont);
        auto* value = new QLabel(QStringLiteral("----,---"), PanelCoordinate);
        value->setObjectName(QStringLiteral("Label%1").arg(QLatin1String(kAxes[i])));
        value->setFont(axisFont);
        value->setAlignment(Qt::AlignCenter);
        value->setMinimumWidth(QFontMetrics(axisFont).horizontalAdvance(QStringLiteral("-99999,999")));
        m_axisLabels[i] = value;
        grid->addWidget(caption, row, column);
        grid->addWidget(value, row, column + 1);
    }
    auto* right = new QGridLayout;
    right->setHorizontalSpacing(8);
    right->addWidget(fixedLabel(QStringLiteral("LabelType"), QStringLiteral("KCNC-[ID]"), PanelCoordinate), 0,
                     0, 1, 2);
    right->addWidget(fixedLabel(QStringLiteral("LabelSysTime"), QStringLiteral("SYS Ver."), PanelCoordinate),
                     1, 0);
    right->addWidget(fixedLabel(QStringLiteral("LabelTime"), QStringLiteral("----------  --------        "),
                                PanelCoordinate),
                     1, 1);
    right->addWidget(
        fixedLabel(QStringLiteral("LabelCommandState"), QStringLiteral("----_----"), PanelCoordinate), 2, 0,
        1, 2);
    right->addWidget(fixedLabel(QStringLiteral("LabelRxD"), QStringLiteral("RxD_Rate:"), PanelCoordinate), 3,
                     0);
    right->addWidget(fixedLabel(QStringLiteral("LabelCps"), QStringLiteral("Cps=-----"), PanelCoordinate), 3,
                     1);
    grid->addLayout(right, 0, 6, 3, 1);
    LabelType = PanelCoordinate->findChild<QLabel*>(QStringLiteral("LabelType"));
    LabelTime = PanelCoordinate->findChild<QLabel*>(QStringLiteral("LabelTime"));
    LabelCommandState = PanelCoordinate->findChild<QLabel*>(QStringLiteral("LabelCommandState"));
    LabelRxD = PanelCoordinate->findChild<QLabel*>(QStringLiteral("LabelRxD"));
    LabelCps = PanelCoordinate->findChild<QLabel*>(QStringLiteral("LabelCps"));

    RadioGroupMonitor = new QGroupBox(QStringLiteral("Monitor"), this);
    RadioGroupMonitor->setObjectName(QStringLiteral("RadioGroupMonitor"));
    auto* box = new QVBoxLayout(RadioGroupMonitor);
    m_monitorGroup = new QButtonGroup(this);
    const char* const items[] = {"Coordinate", "PsCounter", "FollowError"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(items[i]), RadioGroupMonitor);
        m_monitorGroup->addButton(b, i);
        box->addWidget(b);
    }
    m_monitorGroup->button(0)->setChecked(true);
    connect(m_monitorGroup, &QButtonGroup::idClicked, this,
            [this](int id) { m_console.RadioGroupMonitorClick(id); });
}

QGroupBox* TFormMain::radioGroup(const QString& name, const QString& title, const QStringList& items,
                                 int columns, QButtonGroup** group) {
    auto* box = new QGroupBox(title);
    box->setObjectName(name);
    auto* grid = new QGridLayout(box);
    *group = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], box);
        (*group)->addButton(b, i);
        grid->addWidget(b, i / columns, i % columns);
    }
    return box;
}

void TFormMain::buildCommPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PanelCom"));
    auto* v = new QVBoxLayout(page);
    struct GroupDef {
        CommGroup group;
        const char* name;
        const char* title;
        int columns;
    };
    const GroupDef defs[] = {
        {CommGroup::Com, "RadioGroupCom", "CommPort:", 6},
        {CommGroup::BaudRate, "RadioGroupBaudRate", "BaudRate:", 6},
        {CommGroup::ParityCheck, "RadioGroupParityCheck", "ParityCheck:", 6},
        {CommGroup::DataBits, "RadioGroupDataBits", "DataBits:", 2},
        {CommGroup::StopBits, "RadioGroupStopBits", "StopBits:", 2},
        {CommGroup::Manual, "RadioGroupManual", "Manual:", 2},
    };
    auto* row = new QHBoxLayout;
    for (const GroupDef& d : defs) {
        const int g = static_cast<int>(d.group);
        m_commBoxes[g] = radioGroup(QString::fromLatin1(d.name), QString::fromLatin1(d.title),
                                    commItems(d.group, 1), d.columns, &m_commGroups[g]);
        connect(m_commGroups[g], &QButtonGroup::idClicked, this,
                [this, group = d.group](int id) { m_console.RadioGroupComClick(group, id); });
        if (d.columns == 6)
            v->addWidget(m_commBoxes[g]);
        else
            row->addWidget(m_commBoxes[g]);
    }
    v->addLayout(row);
    m_commBoxes[static_cast<int>(CommGroup::Manual)]->setEnabled(false);

    auto* path = new QGroupBox(QStringLiteral("Select Cnc (Path):"), page);
    path->setObjectName(QStringLiteral("GroupBoxPath"));
    auto* h = new QHBoxLayout(path);
    EditSelectPath = new QLineEdit(path);
    EditSelectPath->setObjectName(QStringLiteral("EditSelectPath"));
    EditSelectPath->setReadOnly(true);
    EditSelectPath->setEnabled(false);
    ButtonFileSelectParth = new QPushButton(QStringLiteral("..."), path);
    ButtonFileSelectParth->setObjectName(QStringLiteral("ButtonFileSelectParth"));
    ButtonFileSelectParth->setFixedWidth(40);
    h->addWidget(EditSelectPath);
    h->addWidget(ButtonFileSelectParth);
    v->addWidget(path);
    connect(ButtonFileSelectParth, &QPushButton::clicked, this,
            [this] { m_console.ButtonFileSelectParthClick(); });

    LinktoCNCButton = new QPushButton(QStringLiteral("Link to CNC"), page);
    LinktoCNCButton->setObjectName(QStringLiteral("LinktoCNCButton"));
    LinktoCNCButton->setMinimumHeight(36);
    v->addWidget(LinktoCNCButton);
    v->addStretch(1);
    connect(LinktoCNCButton, &QPushButton::clicked, this, [this] { m_console.LinktoCNCButtonClick(); });
    Notebook->addWidget(page);
}

void TFormMain::buildPageButtons() {
    for (int i = 0; i < 10; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(kPageButtons[i][1]), this);
        b->setObjectName(QString::fromLatin1(kPageButtons[i][0]));
        m_pageButtons[i] = b;
    }
    m_pageButtons[6]->setEnabled(false); // ButtonMotion stays disabled for good
    Console& c = m_console;
    connect(m_pageButtons[0], &QPushButton::clicked, this, [&c] { c.ButtonPlcBitClick(); });
    connect(m_pageButtons[1], &QPushButton::clicked, this, [&c] { c.ButtonPlcRCTClick(); });
    connect(m_pageButtons[2], &QPushButton::clicked, this, [&c] { c.ButtonVarUserClick(); });
    connect(m_pageButtons[3], &QPushButton::clicked, this, [&c] { c.ButtonVarSysClick(); });
    connect(m_pageButtons[4], &QPushButton::clicked, this, [&c] { c.ButtonCNCInfoClick(); });
    connect(m_pageButtons[5], &QPushButton::clicked, this, [&c] { c.ButtonMCMDataClick(); });
    connect(m_pageButtons[7], &QPushButton::clicked, this, [&c] { c.ButtonFileSvcClick(); });
    connect(m_pageButtons[8], &QPushButton::clicked, this, [&c] { c.ButtonHelpClick(); });
    connect(m_pageButtons[9], &QPushButton::clicked, this, [&c] { c.ButtonCloseClick(); });
}

void TFormMain::buildBottomRow() {
    LabelKeyIn = new QLabel(QStringLiteral("Key In:"), this);
    LabelKeyIn->setObjectName(QStringLiteral("LabelKeyIn"));
    EditKeyIn = new QLineEdit(this);
    EditKeyIn->setObjectName(QStringLiteral("EditKeyIn"));
    EditKeyIn->setFont(fixedFont());
    connect(EditKeyIn, &QLineEdit::textEdited, this, [this](const QString& t) {
        // What is typed during a pause stays on the line; the engine takes it when the pause ends.
        if (m_busyShown)
            m_typedWhileBusy = true;
        m_console.EditKeyInEdited(t);
    });
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFixedWidth(75);
        return b;
    };
    ButtonMemText = button("ButtonMemText", "\\/");
    ButtonMemText->setFixedWidth(32);
    ButtonMDIgo = button("ButtonMDIgo", "MDI Go");
    ButtonReset = button("ButtonReset", "Reset");
    ButtonClear = button("ButtonClear", "Clear");
    ButtonClear->hide();

    LabelDSR = new QLabel(QStringLiteral("DSR"), this);
    LabelDSR->setObjectName(QStringLiteral("LabelDSR"));
    LabelBack = new ClickLabel(this);
    LabelBack->setObjectName(QStringLiteral("LabelBack"));
    LabelBack->setToolTip(QStringLiteral("Back to the port settings"));
    LabelBack->setCursor(Qt::PointingHandCursor);
    LabelCTS = new QLabel(QStringLiteral("CTS"), this);
    LabelCTS->setObjectName(QStringLiteral("LabelCTS"));
    for (QLabel* l : {LabelDSR, LabelCTS}) {
        l->setAlignment(Qt::AlignCenter);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setAutoFillBackground(true);
    }
    connect(LabelBack, &ClickLabel::pressed, this, [this] { m_console.LabelBackClick(); });
    connect(EditKeyIn, &QLineEdit::returnPressed, this,
            [this] { m_console.EditKeyInKeyPress(QLatin1Char('\r')); });
    connect(ButtonMDIgo, &QPushButton::clicked, this, [this] {
        m_console.ButtonMDIgoClick();
        EditKeyIn->setFocus();
    });
    connect(ButtonMemText, &QPushButton::clicked, this, [this] { m_console.ButtonMemTextClick(); });
    connect(ButtonReset, &QPushButton::clicked, this, [this] { m_console.ButtonResetClick(); });
    connect(ButtonClear, &QPushButton::clicked, this, [this] { m_console.ButtonClearClick(); });
}

void TFormMain::buildStatusBar() {
    StatusBar1 = new QFrame(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    for (int i = 0; i < 5; ++i) {
        auto* p = new ClickLabel(StatusBar1);
        p->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        p->setFrameShape(QFrame::Panel);
        p->setFrameShadow(QFrame::Sunken);
        p->setIndent(3);
        m_panels[i] = p;
        // Any button; the press's X in the status bar's coordinates, with the panels as laid out.
        connect(p, &ClickLabel::pressed, this, [this, p](QPoint at) {
            std::array<int, 4> widths{};
            for (int k = 0; k < 4; ++k)
                widths[k] = m_panels[k]->width();
            m_console.StatusBar1MouseDown(p->x() + at.x(), widths, StatusBar1->width());
        });
    }
    // Panel 0 is as wide as twelve letters "A" of the status bar's font.
    m_panels[0]->setProperty("designWidth",
                             12 * QFontMetrics(StatusBar1->font()).horizontalAdvance(QLatin1Char('A')));
}

void TFormMain::layoutWindow() {
    PanelCoordinate->adjustSize();
    const int width = PanelCoordinate->width();
    const int top = PanelCoordinate->height() + 10;

    RadioGroupMonitor->adjustSize();
    const int columnWidth = std::max(RadioGroupMonitor->width(), 110);
    const int columnX = width - columnWidth - 10;
    RadioGroupMonitor->setGeometry(columnX, top, columnWidth, RadioGroupMonitor->height());

    Notebook->setGeometry(15, top, columnX - 20 - 15, Notebook->widget(0)->sizeHint().height() + 20);

    int y = RadioGroupMonitor->geometry().bottom() + 7;
    for (QPushButton* b : m_pageButtons) {
        b->setGeometry(columnX, y, columnWidth, 26);
        y += 26 + 7;
    }
    const int columnBottom = y;
    const int rowTop = std::max(Notebook->geometry().bottom() + 10, columnBottom + 4);
    const int rowHeight = 26;
    LabelKeyIn->adjustSize();
    LabelKeyIn->move(15, rowTop + 4);
    EditKeyIn->setProperty("rowTop", rowTop);
    const int third = (columnWidth - 8) / 3;
    LabelDSR->setGeometry(columnX, rowTop, third, rowHeight);
    LabelBack->setGeometry(columnX + third + 4, rowTop, third, rowHeight);
    LabelCTS->setGeometry(columnX + 2 * third + 8, rowTop, third, rowHeight);
    layoutBottomRow();

    // The client area ends 25 pixels below the key-in line; the status bar sits in that strip.
    const int clientHeight = rowTop + rowHeight + 25;
    StatusBar1->setGeometry(0, clientHeight - kStatusHeight, width, kStatusHeight);
    int x = 0;
    for (int i = 0; i < 5; ++i) {
        const int w = i == 0 ? m_panels[0]->property("designWidth").toInt() : kStatusWidths[i];
        const int pw = i == 4 ? width - x : w;
        m_panels[i]->setGeometry(x, 0, pw, kStatusHeight);
        x += w;
    }
    setFixedSize(width, clientHeight);
}

void TFormMain::layoutBottomRow() {
    const int rowTop = EditKeyIn->property("rowTop").toInt();
    const int rowHeight = 26;
    const int right = Notebook->geometry().right() + 1;
    int x = right;
    QList<QPushButton*> row;
    if (!ButtonClear->isHidden())
        row << ButtonClear;
    row << ButtonReset << ButtonMDIgo << ButtonMemText;
    for (QPushButton* b : row) {
        x -= b->width();
        b->setGeometry(x, rowTop, b->width(), rowHeight);
        x -= 10;
    }
    const int editLeft = LabelKeyIn->geometry().right() + 10;
    EditKeyIn->setGeometry(editLeft, rowTop, ButtonMemText->x() - editLeft, rowHeight);
}

void TFormMain::setLit(QLabel* label, bool lit) {
    QPalette p = label->palette();
    p.setColor(QPalette::Window, lit ? kLit : palette().color(QPalette::Button));
    label->setPalette(p);
    label->setProperty("lit", lit);
}

void TFormMain::render() {
    const MainView& v = m_console.state().view;
    if (windowTitle() != v.caption)
        setWindowTitle(v.caption);
    if (Notebook->currentIndex() != static_cast<int>(v.page))
        Notebook->setCurrentIndex(static_cast<int>(v.page));
    renderComm();
    renderControls();
    renderStatus();
    m_pages->render();
    // While a pause holds the console the operator's events wait; the cursor says so.
    if (v.busy != m_busyShown) {
        m_busyShown = v.busy;
        m_typedWhileBusy = false;
        if (v.busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }
    if (v.closeRequested)
        close();
}

void TFormMain::renderComm() {
    const ConsoleState& s = m_console.state();
    if (m_comStartShown != s.env.ComStartNum) {
        m_comStartShown = s.env.ComStartNum;
        const QStringList items = commItems(CommGroup::Com, s.env.ComStartNum);
        const auto buttons = m_commGroups[0]->buttons();
        for (int i = 0; i < buttons.size(); ++i)
            m_commGroups[0]->button(i)->setText(items[i]);
    }
    for (int g = 0; g < 6; ++g) {
        QAbstractButton* b = m_commGroups[g]->button(commItem(s.comm, static_cast<CommGroup>(g)));
        if (b && !b->isChecked())
            b->setChecked(true);
    }
    if (EditSelectPath->text() != s.view.EditSelectPath)
        EditSelectPath->setText(s.view.EditSelectPath);
}

void TFormMain::renderControls() {
    const MainView& v = m_console.state().view;
    const OperatorControls& c = v.controls;
    enable(RadioGroupMonitor, c.RadioGroupMonitor);
    const bool pageEnabled[] = {
        c.ButtonPlcBit,  c.ButtonPlcRCT, c.ButtonVarUser, c.ButtonVarSys, c.ButtonCNCInfo,
        c.ButtonMCMData, false,          c.ButtonFileSvc, c.ButtonHelp,   true};
    for (int i = 0; i < 10; ++i) {
        enable(m_pageButtons[i], pageEnabled[i]);
        // The buttons stand in the order of PageButton, after None.
        setBold(m_pageButtons[i], static_cast<int>(v.boldPageButton) == i + 1);
    }
    // A DNC run owns the line: no MDI frame may go out inside its open tape.
    const bool runOwnsLine = m_console.transfer().dncOwnsLine();
    enable(ButtonMDIgo, c.ButtonMDIgo && !runOwnsLine);
    enable(EditKeyIn, c.EditKeyIn);
    if (!(v.busy && m_typedWhileBusy) && EditKeyIn->text() != m_console.messageLine().text())
        EditKeyIn->setText(m_console.messageLine().text());
    enable(ButtonReset, v.ButtonResetEnabled);
    enable(ButtonClear, v.ButtonClearEnabled && !runOwnsLine);
    if (ButtonClear->isHidden() == v.ButtonClearShown) {
        ButtonClear->setVisible(v.ButtonClearShown);
        layoutBottomRow();
    }
    if (LabelDSR->property("lit").toBool() != v.LabelDSRLit || !LabelDSR->property("lit").isValid())
        setLit(LabelDSR, v.LabelDSRLit);
    if (LabelCTS->property("lit").toBool() != v.LabelCTSLit || !LabelCTS->property("lit").isValid())
        setLit(LabelCTS, v.LabelCTSLit);
    for (int i = 0; i < 5; ++i)
        setText(m_panels[i], v.statusPanels[i]);
    if (m_panels[1]->toolTip() != v.statusPanel1Hint)
        m_panels[1]->setToolTip(v.statusPanel1Hint);
}

void TFormMain::renderStatus() {
    const StatusView& s = m_console.state().status;
    for (int i = 0; i < 9; ++i)
        setText(m_axisLabels[i], s.axes[i]);
    setText(LabelType, s.LabelType);
    setText(LabelTime, s.LabelTime);
    setText(LabelCommandState, s.LabelCommandState);
    setText(LabelRxD, s.LabelRxD);
    setText(LabelCps, s.LabelCps);
}

} // namespace velmorix

#pragma once

#include "core/app/console.h"

#include <QGroupBox>
#include <QObject>

class QCheckBox;
class QComboBox;
class QLabel;
class QListView;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace velmorix {

// The group box of the two file rows; a press anywhere on it (the radio buttons pass theirs on)
// chooses the row whose radio button lies at the press's height.
class OperateBox : public QGroupBox {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;
signals:
    void pressedAt(int y);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The file-service page: the send and receive rows, the file list, the labels and the gauge.
class FileListModel;

class FileServicePage : public QObject {
    Q_OBJECT
public:
    FileServicePage(Console& console, QWidget* area);
    void render();

private:
    void buildOperateBox(QWidget* area);
    void buildListAndLabels(QWidget* area);
    void connectControls();
    void offerSendFromLine(const QPoint& at);
    Console& m_console;
    OperateBox* GroupBoxOperate = nullptr;
    QRadioButton* RadioButtonSendFile = nullptr;
    QComboBox* ComboBoxSendFile = nullptr;
    QPushButton* ButtonOpenFile = nullptr;
    QPushButton* ButtonSendOut = nullptr;
    QCheckBox* CheckBoxFlash = nullptr;
    QRadioButton* RadioButtonRecvFile = nullptr;
    QComboBox* ComboBoxRecvFile = nullptr;
    QPushButton* ButtonRecvIn = nullptr;
    QPushButton* ButtonSaveFile = nullptr;
    QListView* ListBoxFileSvc = nullptr;
    QLabel* LabelFileName = nullptr;
    QLabel* LabelFileTime = nullptr;
    QLabel* LabelFileSize = nullptr;
    QProgressBar* CGauge = nullptr;
    FileListModel* m_list = nullptr;
    int m_resumeRevision = 0; // the resume line last selected
};

} // namespace velmorix

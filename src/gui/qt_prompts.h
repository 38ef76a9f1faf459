#pragma once

#include "core/base/prompts.h"

class QWidget;

namespace velmorix {

// The object name of a value field of the monitor pages.
QString valueFieldName(const ValueField& field);

// Prompts as real dialogs, parented to the main window.
class QtPrompts final : public Prompts {
public:
    void setParent(QWidget* parent) { m_parent = parent; }
    void showMessage(const QString& text) override;
    std::optional<QString> chooseOpenFile(const FileDialogRequest& request) override;
    std::optional<qint32> askNewValue(const NewValueRequest& request) override;
    UploadWarningAnswer askUploadWarning() override;
    PreambleAnswer askPreamble(qint32 line, const QList<QByteArray>& blocks) override;
    std::optional<QString> chooseSaveFile(const FileDialogRequest& request) override;
    IdAnswer askId(const QString& caption, const QString& label) override;
    std::optional<LoginAnswer> askLogin() override;
    std::optional<Settings> askRanges(const Settings& current) override;
    std::optional<qint32> askComStart(qint32 current) override;
    void showClock(const ClockDialog& dialog) override;

private:
    QWidget* m_parent = nullptr;
};

} // namespace velmorix

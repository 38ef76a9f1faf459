#pragma once

#include "core/files/file_compare.h"

#include <QDialog>

class QLabel;
class QTableWidget;

namespace velmorix {

// "Compare with file…": whether the received file equals a file on disk by the save's rules, and the
// lines side by side, those that differ tinted, the first of them in view. A hex type's bytes are
// shown as lines of sixteen.
class CompareDialog : public QDialog {
    Q_OBJECT
public:
    CompareDialog(const QString& receivedName, const QByteArray& received, const QString& filePath,
                  const QByteArray& file, bool text, QWidget* parent = nullptr);

    const FileComparison& comparison() const { return m_comparison; }
    QTableWidget* table() const { return m_table; }
    QLabel* verdict() const { return m_verdict; }

private:
    FileComparison m_comparison;
    QLabel* m_verdict = nullptr;
    QTableWidget* m_table = nullptr;
};

// Sixteen bytes a line, as offset and hex digits, so two byte files can be set side by side.
QByteArray hexLines(const QByteArray& bytes);

} // namespace velmorix

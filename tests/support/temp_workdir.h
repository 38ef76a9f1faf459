#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace velmorix::test {

// A fresh working directory for one test, with helpers to lay down and read back files.
class TempWorkDir {
public:
    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return QDir(m_dir.path()).filePath(relative); }
    void write(const QString& relative, const QByteArray& bytes) const {
        const QString p = file(relative);
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
    QByteArray read(const QString& relative) const {
        QFile f(file(relative));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }
    bool exists(const QString& relative) const { return QFile::exists(file(relative)); }

private:
    QTemporaryDir m_dir;
};

} // namespace velmorix::test

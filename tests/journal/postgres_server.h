#pragma once

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>

#include <pwd.h>
#include <unistd.h>

namespace velmorix::test {

// A PostgreSQL server of the test's own: a cluster made with initdb in a temporary folder, listening
// only on a Unix socket in that folder, stopped when this goes. PostgreSQL refuses to run as root, so
// as root the server runs as the user postgres (or nobody).
class PostgresServer {
public:
    ~PostgresServer() { stop(); }

    // False with the reason when no server can be had here.
    bool start(QString* why) {
        const QString bin = binDir();
        if (bin.isEmpty())
            return fail(why, QStringLiteral("initdb was not found (apt-get install postgresql)"));
        m_bin = bin;
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            return fail(why, QStringLiteral("the Qt PostgreSQL driver is missing (libqt6sql6-psql)"));
        if (!m_dir.isValid())
            return fail(why, QStringLiteral("no temporary folder"));
        if (geteuid() == 0) {
            const passwd* pw = getpwnam("postgres");
            if (!pw)
                pw = getpwnam("nobody");
            if (!pw || chown(m_dir.path().toLocal8Bit().constData(), pw->pw_uid, pw->pw_gid) != 0)
                return fail(why, QStringLiteral("no unprivileged user to run the server as"));
            m_user = QString::fromLocal8Bit(pw->pw_name);
        }
        const QString data = m_dir.filePath(QStringLiteral("data"));
        QString out;
        if (!run(QStringLiteral("initdb"),
                 {"-D", data, "-U", "velmorix", "-A", "trust", "-E", "UTF8", "--no-sync"}, &out))
            return fail(why, QStringLiteral("initdb failed: ") + out);
        const QString options =
            QStringLiteral("-k %1 -c listen_addresses= -c fsync=off -c full_page_writes=off")
                .arg(m_dir.path());
        if (!run(QStringLiteral("pg_ctl"),
                 {"-D", data, "-o", options, "-l", m_dir.filePath("log"), "-w", "-t", "30", "start"}, &out))
            return fail(why, QStringLiteral("pg_ctl start failed: ") + out);
        m_running = true;
        return true;
    }

    void stop() {
        if (!m_running)
            return;
        QString out;
        run(QStringLiteral("pg_ctl"),
            {"-D", m_dir.filePath(QStringLiteral("data")), "-m", "immediate", "-w", "stop"}, &out);
        m_running = false;
    }

    QString socketDir() const { return m_dir.path(); }
    QString url(const QString& database) const {
        return QStringLiteral("postgresql://velmorix@localhost/%1?host=%2").arg(database, m_dir.path());
    }

    // A fresh, empty database on the server.
    QString newDatabase() {
        const QString name = QStringLiteral("journal_%1").arg(++m_databases);
        {
            QSqlDatabase admin =
                QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pg-admin"));
            admin.setHostName(m_dir.path());
            admin.setUserName(QStringLiteral("velmorix"));
            admin.setDatabaseName(QStringLiteral("postgres"));
            if (admin.open())
                QSqlQuery(admin).exec(QStringLiteral("CREATE DATABASE ") + name);
            admin.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("pg-admin"));
        return name;
    }

private:
    static bool fail(QString* why, const QString& text) {
        *why = text;
        return false;
    }
    static QString binDir() {
        QDir versions(QStringLiteral("/usr/lib/postgresql"));
        for (const QString& v :
             versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed))
            if (QFile::exists(versions.filePath(v + QStringLiteral("/bin/initdb"))))
                return versions.filePath(v + QStringLiteral("/bin"));
        return {};
    }
    bool run(const QString& tool, const QStringList& args, QString* out) {
        QProcess p;
        const QString program = QDir(m_bin).filePath(tool);
        if (m_user.isEmpty())
            p.start(program, args);
        else
            p.start(QStringLiteral("runuser"), QStringList{"-u", m_user, "--", program} + args);
        const bool finished = p.waitForFinished(60000);
        *out = QString::fromLocal8Bit(p.readAllStandardError() + p.readAllStandardOutput())
                   .simplified()
                   .left(400);
        return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_user;
    bool m_running = false;
    int m_databases = 0;
};

} // namespace velmorix::test

#include "Compaction.h"

#include "Connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Column.h>
#include <SQLiteCpp/Statement.h>

#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

std::filesystem::path nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// The copy must be on disk before it replaces the original.
bool syncToDisk(const QString &path, bool isFolder)
{
#ifdef Q_OS_WIN
    if (isFolder)
        return true;
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && _commit(file.handle()) == 0;
#else
    const int fd = ::open(QFile::encodeName(path).constData(), isFolder ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#endif
}

bool singleValue(Connection &connection, const QString &sql, QString *value, QString *error)
{
    auto statement = connection.prepare(sql, error);
    if (!statement)
        return false;
    try {
        if (statement->executeStep())
            *value = QString::fromUtf8(statement->getColumn(0).getText());
        statement->reset();
        return true;
    } catch (const std::exception &e) {
        *error = QString::fromUtf8(e.what());
        return false;
    }
}

bool compactOpen(Connection &connection, QString *error, const ReplaceFile &replace)
{
    const QString path = connection.path();
    if (!connection.commitPending(error))
        return false;
    QString mode;
    QString reason;
    // Leaving the write-ahead log needs the file to itself: this fails while another
    // program has it open, whose later writes would otherwise go to the replaced file.
    connection.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), nullptr);
    if (!singleValue(connection, QStringLiteral("PRAGMA journal_mode = DELETE"), &mode, &reason)
        || mode.compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0) {
        *error = QStringLiteral("файл открыт другой программой (%1)").arg(reason.isEmpty() ? mode : reason);
        return false;
    }
    // Hold the file exclusively until it is replaced.
    if (!connection.exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"), error)
        || !connection.exec(QStringLiteral("BEGIN EXCLUSIVE"), error)
        || !connection.exec(QStringLiteral("COMMIT"), error))
        return false;

    const QFileInfo info(path);
    QTemporaryFile copy(info.dir().filePath(info.fileName() + QStringLiteral(".XXXXXX.tmp")));
    if (!copy.open()) {
        *error = QStringLiteral("не удалось создать временный файл в папке %1: %2")
                     .arg(QDir::toNativeSeparators(info.absolutePath()), copy.errorString());
        return false;
    }
    const QString copyPath = copy.fileName();
    copy.close();   // VACUUM INTO accepts an existing empty file

    auto vacuum = connection.prepare(QStringLiteral("VACUUM INTO ?"), error);
    if (!vacuum)
        return false;
    try {
        vacuum->bind(1, copyPath.toStdString());
        vacuum->exec();
    } catch (const std::exception &e) {
        *error = QString::fromUtf8(e.what());
        return false;
    }
    vacuum.reset();
    if (!syncToDisk(copyPath, false)) {
        *error = QStringLiteral("не удалось записать временный файл %1").arg(QDir::toNativeSeparators(copyPath));
        return false;
    }
    for (const char *suffix : {"-journal", "-wal"}) {
        if (QFileInfo::exists(path + QLatin1String(suffix))) {
            *error = QStringLiteral("рядом с файлом остался журнал %1").arg(QDir::toNativeSeparators(path + QLatin1String(suffix)));
            return false;
        }
    }
#ifdef Q_OS_WIN
    connection.close();   // Windows cannot replace a file that is open
#endif
    if (!replace(copyPath, path, error))
        return false;
    copy.setAutoRemove(false);
    syncToDisk(info.absolutePath(), true);
    return true;
}

}  // namespace

bool replaceFileAtomically(const QString &from, const QString &to, QString *error)
{
    std::error_code code;
    std::filesystem::rename(nativePath(from), nativePath(to), code);
    if (code) {
        *error = QString::fromStdString(code.message());
        return false;
    }
    return true;
}

bool compactDatabase(Connection &connection, QString *error, const ReplaceFile &replace)
{
    const bool ok = connection.isOpen() && compactOpen(connection, error, replace);
    connection.close();
    return ok;
}

// The data module: opening (and refusing) the file, the working views and their
// notifications, clearing pictures and compacting at close.
#include "Compaction.h"
#include "StoreFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString notFoundMessage()
{
    return QStringLiteral("Файл ") + QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/EnergyDb.mdb"))
           + QStringLiteral(" не найден !!!");
}

ino_t inodeOf(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A database made from the schema text with one change.
void makeAlteredDatabase(const QString &path, const QString &from, const QString &to)
{
    QString schema = Schema::text();
    ASSERT_TRUE(schema.contains(from));
    schema.replace(from, to);
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(schema.toStdString());
}

QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression("tmp|-wal|-shm|-journal"));
}

}  // namespace

class Opening : public ::testing::Test {
protected:
    QString path() const { return work.file("EnergyDB.mdb"); }
    ScopedWorkDir work;
    ScriptedPrompts user;
};

TEST_F(Opening, AnyFailureShowsTheNotFoundMessageAndLeavesTheFileAsItWas)
{
    struct Case {
        const char *what;
        std::function<void(const QString &)> prepare;
    };
    const QByteArray text = "This is a text file, not a database of the program.\n";
    const Case cases[] = {
        {"missing", [](const QString &) {}},
        {"text file", [&](const QString &p) { writeFile(p, text); }},
        {"empty file", [](const QString &p) { writeFile(p, {}); }},
        {"column of another type",
         [](const QString &p) { makeAlteredDatabase(p, "PUnom       REAL", "PUnom       TEXT(10)"); }},
        {"text size differs",
         [](const QString &p) { makeAlteredDatabase(p, "PMaker      TEXT(16)", "PMaker      TEXT(20)"); }},
        {"column missing", [](const QString &p) { makeAlteredDatabase(p, "    PTipEnergy  INTEGER\n", "    PTipEnergy2 INTEGER\n"); }},
        {"extra column",
         [](const QString &p) { makeAlteredDatabase(p, "PReductRate REAL\n);\n", "PReductRate REAL,\n    PMore REAL\n);\n"); }},
        {"table missing", [](const QString &p) { makeAlteredDatabase(p, "CREATE TABLE TTableTip", "CREATE TABLE TTableTip2"); }},
        {"a folder of that name", [](const QString &p) { QDir().mkpath(p); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QDir(work.path()).removeRecursively();
        QDir().mkpath(work.path());
        c.prepare(path());
        const bool existed = QFileInfo::exists(path());
        const QByteArray before = readAll(path());
        user.clear();

        TDM dm;
        EXPECT_FALSE(dm.open());
        EXPECT_FALSE(dm.isOpen());
        EXPECT_FALSE(dm.ADOTip.isActive());
        EXPECT_FALSE(dm.lastError().isEmpty());
        ASSERT_EQ(user.shown().size(), 1);
        EXPECT_EQ(user.shown().at(0).text, notFoundMessage());
        EXPECT_EQ(user.shown().at(0).caption, QStringLiteral("Ошибка"));
        EXPECT_EQ(user.shown().at(0).icon, PromptIcon::Error);
        EXPECT_EQ(QFileInfo::exists(path()), existed);
        EXPECT_EQ(readAll(path()), before);
        EXPECT_TRUE(leftovers(work.path()).isEmpty()) << leftovers(work.path()).join(' ').toStdString();
    }
}

TEST_F(Opening, FileLockedByAnotherProgramIsNotOpened)
{
    makeDatabase(work.path());
    SQLite::Database other(path().toStdString(), SQLite::OPEN_READWRITE);
    other.exec("BEGIN EXCLUSIVE");
    TDM dm;
    EXPECT_FALSE(dm.open());
    ASSERT_EQ(user.shown().size(), 1);
    EXPECT_EQ(user.shown().at(0).text, notFoundMessage());
    other.exec("ROLLBACK");
    user.clear();
    EXPECT_TRUE(dm.open()) << dm.lastError().toStdString();
    EXPECT_TRUE(user.shown().isEmpty());
}

TEST_F(Opening, OpensTheWorkingViewsOnTheirFirstRowsAndNamesTheType)
{
    makeDatabase(work.path());
    execSql(path(), "INSERT INTO TTip (PTipCH) VALUES ('СЕ301'), ('СЕ102');"
                    "INSERT INTO TIdent (PSecIndex, PNumber) VALUES (2, 'B1'), (1, 'A1'), (1, 'A2');"
                    "INSERT INTO TResult (PSecIndex, PU) VALUES (1, 220);"
                    "INSERT INTO TTableTip (PTip) VALUES ('X');");
    TDM dm;
    QSignalSpy names(&dm, &TDM::currentTypeNameChanged);
    ASSERT_TRUE(dm.open());
    for (DataView *v : {&dm.ADOTip, &dm.ADOIdent, &dm.ADOResult, &dm.ADODataProfile, &dm.ADOProfile, &dm.ADOSinhro,
                        &dm.ADOSinhroResult, &dm.ADOSDataProfile, &dm.ADOSinhroProfile, &dm.ADOTableTip})
        EXPECT_TRUE(v->isActive()) << v->objectName().toStdString();
    EXPECT_FALSE(dm.ADOrepTip.isActive());
    EXPECT_EQ(dm.ADOTip.currentRow(), 0);
    EXPECT_EQ(dm.ADOIdent.recordCount(), 2);
    EXPECT_EQ(dm.ADOIdent.field(u"PNumber").toString(), QStringLiteral("A1"));
    EXPECT_EQ(dm.ADOResult.recordCount(), 0);
    EXPECT_EQ(dm.ADOTableTip.recordCount(), 1);
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.last().at(0).toString(), QStringLiteral("СЕ301"));

    dm.ADOTip.next();
    EXPECT_EQ(names.last().at(0).toString(), QStringLiteral("СЕ102"));
    EXPECT_EQ(dm.ADOIdent.field(u"PNumber").toString(), QStringLiteral("B1"));
    EXPECT_EQ(dm.ADOResult.field(u"PU").toDouble(), 220.0);

    // Report views open on demand with their own links; TTip's report view stops at PClassT.
    ASSERT_TRUE(dm.ADOrepTip.open());
    ASSERT_TRUE(dm.ADORepIdent.open());
    EXPECT_EQ(dm.ADOrepTip.columnCount(), 6);
    EXPECT_EQ(dm.ADORepIdent.recordCount(), 2);
    dm.ADOrepTip.last();
    EXPECT_EQ(dm.ADORepIdent.recordCount(), 1);
    EXPECT_EQ(dm.ADOIdent.field(u"PNumber").toString(), QStringLiteral("B1"));   // the working set is untouched
}

TEST_F(Opening, CurrentResultChangesAreReportedAndHeldWhileDisplayIsSuspended)
{
    makeDatabase(work.path());
    execSql(path(), "INSERT INTO TSTip (PTipCH) VALUES ('T');"
                    "INSERT INTO TSResult (PSecIndex, PU) VALUES (1, 1), (1, 2), (1, 3);");
    TDM dm;
    ASSERT_TRUE(dm.open());
    QSignalSpy changed(&dm, &TDM::currentResultChanged);
    dm.ADOSinhroResult.next();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<DataView *>(), &dm.ADOSinhroResult);
    ASSERT_TRUE(dm.ADOSinhroResult.edit());
    dm.ADOSinhroResult.setField(u"PU", 5);
    ASSERT_TRUE(dm.ADOSinhroResult.post());
    EXPECT_GE(changed.count(), 2);

    changed.clear();
    dm.ADOSinhroResult.disableControls();
    dm.ADOSinhroResult.last();
    dm.ADOSinhroResult.first();
    EXPECT_EQ(changed.count(), 0);
    dm.ADOSinhroResult.enableControls();
    EXPECT_GE(changed.count(), 1);
}

class Closing : public StoreTest {
protected:
    // One archive meter with a result holding a picture, and buffer rows with pictures.
    void addPictures()
    {
        addTip("A");
        addIdent("1", "x");
        ASSERT_TRUE(dm->ADOResult.append());
        dm->ADOResult.setField(u"PDiagramm", QByteArray(20000, 'p'));
        ASSERT_TRUE(dm->ADOResult.post());
        addBufferMeter("T", "1", "x");
        ASSERT_TRUE(dm->ADOSinhroResult.append());
        dm->ADOSinhroResult.setField(u"PDiagramm", QByteArray(20000, 'q'));
        ASSERT_TRUE(dm->ADOSinhroResult.post());
    }
    qint64 pictures() const
    {
        return queryValue(dbPath(), "SELECT (SELECT count(*) FROM TResult WHERE PDiagramm IS NOT NULL)"
                                    " + (SELECT count(*) FROM TSResult WHERE PDiagramm IS NOT NULL)").toLongLong();
    }
};

TEST_F(Closing, ClearsEveryPictureAndCompactsTheOpenedFile)
{
    addPictures();
    {
        TDM::WriteBatch batch(*dm);
        for (int i = 0; i < 3000; ++i)
            addBufferMeter("T", QStringLiteral("n%1").arg(i), "Адрес");
    }
    dm->ADOExport.setSql("DELETE FROM TSTip WHERE PNumber <> '1'");
    ASSERT_TRUE(dm->ADOExport.execute());
    const ino_t before = inodeOf(dbPath());
    dm->close();
    EXPECT_TRUE(user.shown().isEmpty()) << user.shownTexts().join('|').toStdString();
    EXPECT_FALSE(dm->isOpen());
    EXPECT_EQ(pictures(), 0);
    EXPECT_NE(inodeOf(dbPath()), before);   // replaced by the compacted copy
    EXPECT_EQ(queryValue(dbPath(), "PRAGMA freelist_count").toLongLong(), 0);
    EXPECT_EQ(count("TResult"), 1);
    EXPECT_EQ(count("TSTip"), 1);
    EXPECT_TRUE(leftovers(work.path()).isEmpty()) << leftovers(work.path()).join(' ').toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir(QCoreApplication::applicationDirPath()).filePath("EnergyDB.mdb")));
    // The compacted file opens again.
    EXPECT_TRUE(dm->open());
    EXPECT_EQ(dm->ADOTip.field(u"PTipCH").toString(), QStringLiteral("A"));
}

TEST_F(Closing, FileWithLittleFreeSpaceAndNoPicturesIsNotCompacted)
{
    addTip("A");
    const ino_t before = inodeOf(dbPath());
    dm->close();
    EXPECT_TRUE(user.shown().isEmpty());
    EXPECT_EQ(inodeOf(dbPath()), before);
    EXPECT_EQ(count("TTip"), 1);
}

TEST_F(Closing, PostsOfAnOpenBatchAreStoredAtClose)
{
    TDM::WriteBatch batch(*dm);
    addBufferMeter("T", "1", "x");
    dm->close();
    EXPECT_EQ(count("TSTip"), 1);
}

TEST_F(Closing, FileHeldByAnotherProgramStaysAsItWasAndTheUserIsTold)
{
    addPictures();
    SQLite::Database other(dbPath().toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement read(other, "SELECT count(*) FROM TTip");
    ASSERT_TRUE(read.executeStep());
    read.reset();
    const ino_t before = inodeOf(dbPath());
    dm->close();
    ASSERT_EQ(user.shown().size(), 1);
    EXPECT_EQ(user.shown().at(0).caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(user.shown().at(0).icon, PromptIcon::Error);
    EXPECT_TRUE(user.shown().at(0).text.contains(QDir::toNativeSeparators(dbPath()))) << user.shown().at(0).text.toStdString();
    EXPECT_EQ(inodeOf(dbPath()), before);
    EXPECT_EQ(pictures(), 0);
    EXPECT_EQ(count("TIdent"), 1);
    EXPECT_TRUE(leftovers(work.path()).filter("tmp").isEmpty());
}

TEST_F(Closing, FailedClearingIsReportedAndSkipsCompaction)
{
    addPictures();
    execSql(dbPath(), "CREATE TRIGGER keep BEFORE UPDATE OF PDiagramm ON TResult "
                      "BEGIN SELECT RAISE(ABORT, 'pictures are kept'); END;");
    const ino_t before = inodeOf(dbPath());
    dm->close();
    ASSERT_EQ(user.shown().size(), 1);
    EXPECT_EQ(user.shown().at(0).caption, QStringLiteral("Ошибка"));
    EXPECT_TRUE(user.shown().at(0).text.contains("pictures are kept")) << user.shown().at(0).text.toStdString();
    EXPECT_FALSE(dm->isOpen());
    EXPECT_EQ(inodeOf(dbPath()), before);
    EXPECT_EQ(count("TResult"), 1);
}

TEST_F(Closing, CompactionInAReadOnlyFolderLeavesTheOriginal)
{
    addPictures();
    ASSERT_EQ(::chmod(QFile::encodeName(work.path()).constData(), 0555), 0);
    const bool folderRefusesWrites = !QFile(work.file("probe")).open(QIODevice::WriteOnly);
    if (!folderRefusesWrites) {
        QFile::remove(work.file("probe"));
        ::chmod(QFile::encodeName(work.path()).constData(), 0755);
        GTEST_SKIP() << "this user may write into read-only folders";
    }
    const ino_t before = inodeOf(dbPath());
    dm->close();
    ::chmod(QFile::encodeName(work.path()).constData(), 0755);
    ASSERT_EQ(user.shown().size(), 1);
    EXPECT_EQ(inodeOf(dbPath()), before);
    EXPECT_EQ(count("TResult"), 1);
}

TEST_F(Closing, FailureOfTheFinalReplaceLeavesTheOriginalAndNoTemporaryFile)
{
    addPictures();
    dm->ADOExport.setSql("UPDATE TResult SET PDiagramm = NULL");
    ASSERT_TRUE(dm->ADOExport.execute());
    dm->close();
    const ino_t before = inodeOf(dbPath());

    Connection connection;
    QString error;
    ASSERT_TRUE(connection.open(dbPath(), &error)) << error.toStdString();
    QString seen;
    const bool ok = compactDatabase(connection, &error, [&](const QString &from, const QString &, QString *why) {
        seen = from;
        *why = QStringLiteral("disk went away");
        return false;
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, QStringLiteral("disk went away"));
    EXPECT_FALSE(connection.isOpen());
    EXPECT_EQ(QFileInfo(seen).absolutePath(), QFileInfo(dbPath()).absolutePath());   // beside the opened file
    EXPECT_FALSE(QFileInfo::exists(seen));
    EXPECT_EQ(inodeOf(dbPath()), before);
    EXPECT_EQ(count("TIdent"), 1);
    EXPECT_TRUE(leftovers(work.path()).isEmpty()) << leftovers(work.path()).join(' ').toStdString();
}

TEST(SchemaFile, BuiltInTextIsTheShippedSchemaAndNewFilesMatchIt)
{
    QFile shipped(sourceDataDir() + "/schema.sql");
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    EXPECT_EQ(Schema::text(), QString::fromUtf8(shipped.readAll()));
    ASSERT_EQ(Schema::tables().size(), 10);
    EXPECT_EQ(Schema::table(u"ttip")->columns.at(1).textSize, 10);

    ScopedWorkDir work;
    const QString path = makeDatabase(work.path());
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    EXPECT_EQ(Schema::verify(db.getHandle()), QString());
    EXPECT_EQ(db.execAndGet("SELECT count(*) FROM TTableTip").getInt(), 0);

    const QByteArray before = readAll(path);
    QString error;
    EXPECT_FALSE(Schema::createDatabase(path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(path), before);
}

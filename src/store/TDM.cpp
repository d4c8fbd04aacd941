#include "TDM.h"

#include "Compaction.h"
#include "Prompts.h"
#include "UTools.h"

#include <QDir>

#include <SQLiteCpp/Database.h>

namespace {

const QString kErrorCaption = QStringLiteral("Ошибка");

QStringList tipReportColumns()
{
    return {QStringLiteral("PIndex"), QStringLiteral("PTipCH"), QStringLiteral("PUnom"), QStringLiteral("PInom"),
            QStringLiteral("PReductRate"), QStringLiteral("PClassT")};
}

}  // namespace

TDM::TDM(QObject *parent)
    : QObject(parent),
      ADOTip(connection_, QStringLiteral("TTip")),
      ADOIdent(connection_, QStringLiteral("TIdent"), &ADOTip),
      ADOResult(connection_, QStringLiteral("TResult"), &ADOIdent),
      ADODataProfile(connection_, QStringLiteral("TDataProfile"), &ADOIdent),
      ADOProfile(connection_, QStringLiteral("TProfile"), &ADODataProfile),
      ADOSinhro(connection_, QStringLiteral("TSTip")),
      ADOSinhroResult(connection_, QStringLiteral("TSResult"), &ADOSinhro),
      ADOSDataProfile(connection_, QStringLiteral("TSDataProfile"), &ADOSinhro),
      ADOSinhroProfile(connection_, QStringLiteral("TSProfile"), &ADOSDataProfile),
      ADOTableTip(connection_, QStringLiteral("TTableTip")),
      ADOrepTip(connection_, QStringLiteral("TTip"), nullptr, tipReportColumns()),
      ADORepIdent(connection_, QStringLiteral("TIdent"), &ADOrepTip),
      ADORepResult(connection_, QStringLiteral("TResult"), &ADORepIdent),
      ADOrepDataProfile(connection_, QStringLiteral("TDataProfile"), &ADORepIdent),
      ADORepProfile(connection_, QStringLiteral("TProfile"), &ADOrepDataProfile),
      ADOSinhroRepTip(connection_, QStringLiteral("TSTip")),
      ADOSinhroRepResult(connection_, QStringLiteral("TSResult"), &ADOSinhroRepTip),
      ADOSinhroRepDataProfile(connection_, QStringLiteral("TSDataProfile"), &ADOSinhroRepTip),
      ADOSinhroRepProfile(connection_, QStringLiteral("TSProfile"), &ADOSinhroRepDataProfile),
      ADODataSetSQL(connection_),
      ADOQuerySQL(connection_),
      ADOQueryIdent(connection_),
      ADOCommand(connection_),
      ADOExport(connection_)
{
    const std::pair<DataView *, const char *> names[] = {
        {&ADOTip, "ADOTip"}, {&ADOIdent, "ADOIdent"}, {&ADOResult, "ADOResult"},
        {&ADODataProfile, "ADODataProfile"}, {&ADOProfile, "ADOProfile"}, {&ADOSinhro, "ADOSinhro"},
        {&ADOSinhroResult, "ADOSinhroResult"}, {&ADOSDataProfile, "ADOSDataProfile"},
        {&ADOSinhroProfile, "ADOSinhroProfile"}, {&ADOTableTip, "ADOTableTip"}, {&ADOrepTip, "ADOrepTip"},
        {&ADORepIdent, "ADORepIdent"}, {&ADORepResult, "ADORepResult"}, {&ADOrepDataProfile, "ADOrepDataProfile"},
        {&ADORepProfile, "ADORepProfile"}, {&ADOSinhroRepTip, "ADOSinhroRepTip"},
        {&ADOSinhroRepResult, "ADOSinhroRepResult"}, {&ADOSinhroRepDataProfile, "ADOSinhroRepDataProfile"},
        {&ADOSinhroRepProfile, "ADOSinhroRepProfile"}, {&ADODataSetSQL, "ADODataSetSQL"},
        {&ADOQuerySQL, "ADOQuerySQL"}, {&ADOQueryIdent, "ADOQueryIdent"}};
    for (const auto &[view, name] : names)
        view->setObjectName(QLatin1String(name));

    ADOTip.setBeforePost([this](DataView &view) { return checkTipBeforePost(view, ADOQueryIdent); });
    ADOIdent.setBeforePost([this](DataView &view) { return checkIdentBeforePost(view, ADOQueryIdent); });

    connect(&ADOTip, &DataView::scrolled, this, &TDM::emitTypeName);
    connect(&ADOTip, &DataView::posted, this, &TDM::emitTypeName);
    for (DataView *results : {&ADOResult, &ADOSinhroResult}) {
        connect(results, &DataView::currentChanged, this, [this, results] { emit currentResultChanged(results); });
        connect(results, &DataView::currentDataChanged, this, [this, results] { emit currentResultChanged(results); });
    }

    // A failure that undid a batch's uncommitted rows: show what the file really holds,
    // once the failing post has returned.
    connection_.setRolledBackHandler([this] {
        QMetaObject::invokeMethod(this, [this] {
            for (DataView *root : {&ADOTip, &ADOSinhro, &ADOTableTip, &ADOrepTip, &ADOSinhroRepTip})
                if (root->isActive())
                    root->requery();
        }, Qt::QueuedConnection);
    });
}

TDM::~TDM()
{
    close();
}

bool TDM::open()
{
    if (isOpen())
        return true;
    filePath_ = QDir::current().absoluteFilePath(databaseFileName());
    lastError_.clear();
    bool ok = connection_.open(filePath_, &lastError_);
    const QList<DataView *> opening = {&ADOTip, &ADOIdent, &ADOResult, &ADODataProfile, &ADOProfile,
                                       &ADOSinhro, &ADOSinhroResult, &ADOSDataProfile, &ADOSinhroProfile, &ADOTableTip};
    for (DataView *view : opening) {
        if (!ok)
            break;
        if (!view->open()) {
            lastError_ = view->objectName() + QStringLiteral(": ") + view->lastError();
            ok = false;
        }
    }
    if (!ok) {
        for (DataView *view : opening)
            view->close();
        connection_.close();
        // The file opened is EnergyDB.mdb; the message has always named it EnergyDb.mdb.
        showMessage(QStringLiteral("Файл ") + QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/EnergyDb.mdb"))
                        + QStringLiteral(" не найден !!!"),
                    kErrorCaption, PromptIcon::Error);
        return false;
    }
    emitTypeName();
    return true;
}

QList<DataView *> TDM::closingOrder()
{
    return {&ADOTip, &ADOIdent, &ADOResult, &ADOProfile, &ADODataProfile, &ADOSinhro, &ADOSinhroResult,
            &ADOSDataProfile, &ADOSinhroProfile, &ADOTableTip,
            &ADOrepTip, &ADORepIdent, &ADORepResult, &ADOrepDataProfile, &ADORepProfile,
            &ADOSinhroRepTip, &ADOSinhroRepResult, &ADOSinhroRepDataProfile, &ADOSinhroRepProfile,
            &ADODataSetSQL, &ADOQuerySQL, &ADOQueryIdent};
}

void TDM::closeViews()
{
    for (DataView *view : closingOrder())
        view->close();
}

bool TDM::clearPictures(bool *cleared)
{
    // Only rows holding a picture are written: the same result as clearing every row,
    // without rewriting a whole archive at each exit.
    *cleared = false;
    for (const QString &table : {QStringLiteral("TResult"), QStringLiteral("TSResult")}) {
        ADOCommand.setSql(QStringLiteral("UPDATE %1 SET PDiagramm = NULL WHERE PDiagramm IS NOT NULL").arg(table));
        if (!ADOCommand.execute()) {
            showMessage(QStringLiteral("Не удалось удалить рисунки диаграмм из таблицы %1: %2\nСжатие базы данных не выполнено.")
                            .arg(table, ADOCommand.lastError()),
                        kErrorCaption, PromptIcon::Error);
            return false;
        }
        *cleared = *cleared || ADOCommand.rowsAffected() > 0;
    }
    return true;
}

bool TDM::worthCompacting(bool picturesCleared)
{
    if (picturesCleared)
        return true;
    try {
        SQLite::Database &db = connection_.database();
        const qint64 pages = db.execAndGet("PRAGMA page_count").getInt64();
        const qint64 freePages = db.execAndGet("PRAGMA freelist_count").getInt64();
        return freePages * 10 > pages;
    } catch (const std::exception &) {
        return false;
    }
}

void TDM::close()
{
    if (!isOpen())
        return;
    closeViews();
    bool picturesCleared = false;
    if (!clearPictures(&picturesCleared) || !worthCompacting(picturesCleared)) {
        connection_.close();
        return;
    }
    QString error;
    if (!compactDatabase(connection_, &error))
        showMessage(QStringLiteral("Сжатие файла %1 не выполнено: %2\nФайл оставлен без изменений.")
                        .arg(QDir::toNativeSeparators(filePath_), error),
                    kErrorCaption, PromptIcon::Error);
}

void TDM::emitTypeName()
{
    emit currentTypeNameChanged(ADOTip.field(u"PTipCH").toString());
}

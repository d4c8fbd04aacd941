#pragma once
// TDM: the data module. It owns the one connection to EnergyDB.mdb in the working
// directory and every view and command of the program.
//
//   TDM dm;
//   if (!dm.open())          // the "not found" message was shown; end the program
//       return 1;
//   dm.ADOTip.first();       // the ten working views are open on their first rows
//   {
//       TDM::WriteBatch batch(dm);   // group the commits of many posts
//       ... dm.ADOSinhroProfile.append(); ... post(); ...
//   }                                // committed here (and at every refused post)
//   dm.close();              // also done by the destructor: views, pictures, compaction
//
// Links: ADOIdent follows ADOTip, ADOResult and ADODataProfile follow ADOIdent,
// ADOProfile follows ADODataProfile; ADOSinhroResult and ADOSDataProfile follow
// ADOSinhro, ADOSinhroProfile follows ADOSDataProfile. The report views follow each
// other the same way. ADOTip and ADOIdent run the record rules on every post.
#include "Command.h"
#include "Connection.h"
#include "DataView.h"

#include <QObject>
#include <QString>

class TDM : public QObject {
    Q_OBJECT
public:
    explicit TDM(QObject *parent = nullptr);
    ~TDM() override;

    // Opens EnergyDB.mdb of the working directory and the ten working views. On any
    // failure shows the "not found" message and returns false; never creates the file.
    bool open();
    bool isOpen() const { return connection_.isOpen(); }
    // Closes the views, clears the diagram pictures, closes the connection and
    // compacts the file when that is worth it.
    void close();
    QString filePath() const { return filePath_; }
    QString lastError() const { return lastError_; }   // why open() failed, for logs
    Connection &connection() { return connection_; }

    // Groups the commits of the posts made while it lives (nesting allowed); every
    // post before a refused one is committed at the refusal.
    class WriteBatch {
    public:
        explicit WriteBatch(TDM &dm) : connection_(dm.connection_) { connection_.beginBatch(); }
        ~WriteBatch() { connection_.endBatch(); }
        WriteBatch(const WriteBatch &) = delete;
        WriteBatch &operator=(const WriteBatch &) = delete;

    private:
        Connection &connection_;
    };

private:
    Connection connection_;

public:
    // Working views, open from open() to close().
    DataView ADOTip;
    DataView ADOIdent;
    DataView ADOResult;
    DataView ADODataProfile;
    DataView ADOProfile;
    DataView ADOSinhro;
    DataView ADOSinhroResult;
    DataView ADOSDataProfile;
    DataView ADOSinhroProfile;
    DataView ADOTableTip;

    // Report views, opened on demand by the report builder.
    DataView ADOrepTip;
    DataView ADORepIdent;
    DataView ADORepResult;
    DataView ADOrepDataProfile;
    DataView ADORepProfile;
    DataView ADOSinhroRepTip;
    DataView ADOSinhroRepResult;
    DataView ADOSinhroRepDataProfile;
    DataView ADOSinhroRepProfile;

    // Statement views (queries set at run time) and command objects.
    DataView ADODataSetSQL;
    DataView ADOQuerySQL;
    DataView ADOQueryIdent;
    Command ADOCommand;
    Command ADOExport;

    static QString databaseFileName() { return QStringLiteral("EnergyDB.mdb"); }

signals:
    // After every move of ADOTip (and at open, and after a post of it): its PTipCH.
    void currentTypeNameChanged(const QString &name);
    // The current row of ADOResult or ADOSinhroResult moved or its data changed.
    void currentResultChanged(DataView *view);

private:
    QList<DataView *> closingOrder();
    void closeViews();
    bool clearPictures(bool *cleared);
    bool worthCompacting(bool picturesCleared);
    void emitTypeName();

    QString filePath_;
    QString lastError_;
};

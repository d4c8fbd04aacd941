-- The database of the RT519 companion: the archive (TTip -> TIdent -> TResult,
-- TIdent -> TDataProfile -> TProfile), the exchange buffer (TSTip -> TSResult,
-- TSTip -> TSDataProfile -> TSProfile) and the list of type names TTableTip.
--
-- Types: INTEGER (Integer, Short and code columns), REAL (Float), TEXT(n) (text of
-- at most n characters, enforced by the program on every post), DATETIME (ISO text
-- "YYYY-MM-DD HH:MM:SS"), BLOB (pictures, PNG).
-- Children go with their parent (ON DELETE CASCADE), so no unreachable rows remain.
-- The program checks an opened file against this text: same tables, same columns in
-- the same order, same declared types.

CREATE TABLE TTip (
    PIndex      INTEGER PRIMARY KEY AUTOINCREMENT,
    PTipCH      TEXT(10),
    PUnom       REAL,
    PInom       REAL,
    PReductRate REAL,
    PClassT     REAL,
    PPhaseMode  INTEGER,
    PTipEnergy  INTEGER
);

CREATE TABLE TIdent (
    PIndex      INTEGER PRIMARY KEY AUTOINCREMENT,
    PSecIndex   INTEGER NOT NULL REFERENCES TTip (PIndex) ON DELETE CASCADE,
    PNumber     TEXT(10),
    PMaker      TEXT(16),
    PYearOutput INTEGER,
    PAddress    TEXT(19)
);
CREATE INDEX TIdent_PSecIndex ON TIdent (PSecIndex);

CREATE TABLE TResult (
    PIndex             INTEGER PRIMARY KEY AUTOINCREMENT,
    PSecIndex          INTEGER NOT NULL REFERENCES TIdent (PIndex) ON DELETE CASCADE,
    PUMeasureA         REAL,
    PUMeasureB         REAL,
    PUMeasureC         REAL,
    PUMeasureAB        REAL,
    PUMeasureBC        REAL,
    PUMeasureCA        REAL,
    PIMeasureA         REAL,
    PIMeasureB         REAL,
    PIMeasureC         REAL,
    PPowerPMeasure     REAL,
    PPowerQMeasure     REAL,
    PPowerSMeasure     REAL,
    PFPMeasure         TEXT(10),
    PMistakeMeasure    REAL,
    PDateMeasure       DATETIME,
    PTimeMeasure       INTEGER,
    PRectUA            REAL,
    PRectUB            REAL,
    PRectUC            REAL,
    PRectIA            REAL,
    PRectIB            REAL,
    PRectIC            REAL,
    PFreq              REAL,
    PINDICATION        REAL,
    PIndicationInverse REAL,
    PPowerType         INTEGER,
    PConType           INTEGER,
    PPhaseIndex        INTEGER,
    PU                 REAL,
    PI                 REAL,
    PDiagramm          BLOB
);
CREATE INDEX TResult_PSecIndex ON TResult (PSecIndex);

CREATE TABLE TDataProfile (
    PIndex    INTEGER PRIMARY KEY AUTOINCREMENT,
    PSecIndex INTEGER NOT NULL REFERENCES TIdent (PIndex) ON DELETE CASCADE,
    PData     DATETIME,
    PInterval INTEGER
);
CREATE INDEX TDataProfile_PSecIndex ON TDataProfile (PSecIndex);

CREATE TABLE TProfile (
    PIndex          INTEGER PRIMARY KEY AUTOINCREMENT,
    PSecIndex       INTEGER NOT NULL REFERENCES TDataProfile (PIndex) ON DELETE CASCADE,
    PBeginTime      DATETIME,
    PEndTime        DATETIME,
    PActEnergy      REAL,
    PActEnergyNot   REAL,
    PReactEnergy    REAL,
    PReactEnergyNot REAL
);
CREATE INDEX TProfile_PSecIndex ON TProfile (PSecIndex);

CREATE TABLE TSTip (
    PIndex      INTEGER PRIMARY KEY AUTOINCREMENT,
    PTipCH      TEXT(10),
    PReductRate REAL,
    PNumber     TEXT(10),
    PAddress    TEXT(19)
);

CREATE TABLE TSResult (
    PIndex             INTEGER PRIMARY KEY AUTOINCREMENT,
    PSecIndex          INTEGER NOT NULL REFERENCES TSTip (PIndex) ON DELETE CASCADE,
    PUMeasureA         REAL,
    PUMeasureB         REAL,
    PUMeasureC         REAL,
    PUMeasureAB        REAL,
    PUMeasureBC        REAL,
    PUMeasureCA        REAL,
    PIMeasureA         REAL,
    PIMeasureB         REAL,
    PIMeasureC         REAL,
    PPowerPMeasure     REAL,
    PPowerQMeasure     REAL,
    PPowerSMeasure     REAL,
    PFPMeasure         TEXT(10),
    PMistakeMeasure    REAL,
    PDateMeasure       DATETIME,
    PTimeMeasure       INTEGER,
    PRectUA            REAL,
    PRectUB            REAL,
    PRectUC            REAL,
    PRectIA            REAL,
    PRectIB            REAL,
    PRectIC            REAL,
    PFreq              REAL,
    PINDICATION        REAL,
    PIndicationInverse REAL,
    PPowerType         INTEGER,
    PConType           INTEGER,
    PPhaseIndex        INTEGER,
    PU                 REAL,
    PI                 REAL,
    PDiagramm          BLOB
);
CREATE INDEX TSResult_PSecIndex ON TSResult (PSecIndex);

CREATE TABLE TSDataProfile (
    PIndex    INTEGER PRIMARY KEY AUTOINCREMENT,
    PSecIndex INTEGER NOT NULL REFERENCES TSTip (PIndex) ON DELETE CASCADE,
    PData     DATETIME,
    PInterval INTEGER
);
CREATE INDEX TSDataProfile_PSecIndex ON TSDataProfile (PSecIndex);

CREATE TABLE TSProfile (
    PIndex          INTEGER PRIMARY KEY AUTOINCREMENT,
    PSecIndex       INTEGER NOT NULL REFERENCES TSDataProfile (PIndex) ON DELETE CASCADE,
    PBeginTime      DATETIME,
    PEndTime        DATETIME,
    PActEnergy      REAL,
    PActEnergyNot   REAL,
    PReactEnergy    REAL,
    PReactEnergyNot REAL
);
CREATE INDEX TSProfile_PSecIndex ON TSProfile (PSecIndex);

CREATE TABLE TTableTip (
    PIndex      INTEGER PRIMARY KEY AUTOINCREMENT,
    PTip        TEXT(10),
    PReductRate REAL
);

#pragma once
// The toolbar pictures, drawn at run time so they stay crisp at any size.
#include <QIcon>

enum class ToolIcon {
    SaveAs, Preview, Print,
    Query, Clear, CopyToArchive, Chart,
    OpenTable, SaveTable, FieldLayout,
    First, Prior, Next, Last, Delete, Insert, Post, Cancel,
};

QIcon toolIcon(ToolIcon kind);

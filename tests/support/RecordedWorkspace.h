#pragma once

#include "core/WindowHost.h"

#include <QStringList>

// The workspace's port as a trace of what the flows changed: "club ABC", "list", "marked".
struct RecordedWorkspace : onda::WorkspaceView {
    QStringList trace;
    void setClubLabel(const QString& club) override { trace << QStringLiteral("club ") + club; }
    void FillCompetitionGrid() override { trace << QStringLiteral("list"); }
    void markListRefreshed() override { trace << QStringLiteral("marked"); }
};

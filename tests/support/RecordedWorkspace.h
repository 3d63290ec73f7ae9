#pragma once

#include "core/WindowHost.h"

#include <QStringList>

// The workspace's port as a trace of what the flows changed: "user U", "list", "marked".
struct RecordedWorkspace : onda::WorkspaceView {
    QStringList trace;
    void showChosenUser(const QString& user) override { trace << QStringLiteral("user ") + user; }
    void FillCompetitionGrid() override { trace << QStringLiteral("list"); }
    void markListRefreshed() override { trace << QStringLiteral("marked"); }
};

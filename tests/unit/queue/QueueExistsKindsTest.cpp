#include <gtest/gtest.h>

#include <memory>

#include "QueueTestSupport.h"
#include "queue/TQueueManager.h"

using namespace queuetest;
using namespace testsupport;

namespace {

using TKind = TFileExistsPrompt::TKind;

struct KindScope
{
    TKind kind;
    int scope;
};

std::string caseName(const ::testing::TestParamInfo<KindScope>& info)
{
    static const char* const kinds[] = {"LocalSame", "LocalSmaller", "RemoteSame", "RemoteSmaller"};
    static const char* const scopes[] = {"ThisFile", "InQueue", "Always"};
    return std::string(kinds[int(info.param.kind)]) + "_" + scopes[info.param.scope];
}

// The other kind of the same direction: same size <-> smaller.
TKind sibling(TKind kind)
{
    switch (kind) {
    case TKind::LocalFileAlreadyExists:
        return TKind::LocalFileSmallerAlreadyExists;
    case TKind::LocalFileSmallerAlreadyExists:
        return TKind::LocalFileAlreadyExists;
    case TKind::RemoteFileAlreadyExists:
        return TKind::RemoteFileSmallerAlreadyExists;
    case TKind::RemoteFileSmallerAlreadyExists:
        return TKind::RemoteFileAlreadyExists;
    }
    return kind;
}

bool isDownload(TKind kind)
{
    return kind == TKind::LocalFileAlreadyExists || kind == TKind::LocalFileSmallerAlreadyExists;
}

// Each of the four file-exists kinds answered Overwrite with each scope, then a
// second run (a new manager that reads the settings, as at the next start) meets
// the same kind and its sibling again.
class QueueExistsKindsTest : public ::testing::TestWithParam<KindScope>
{
protected:
    static constexpr const char* kSource = "source content"; // 14 bytes

    // A conflict of `kind` for `name`; returns the item.
    TQueueItem* conflict(TQueueManager& manager, TKind kind, const QString& name)
    {
        const bool smaller =
            kind == TKind::LocalFileSmallerAlreadyExists || kind == TKind::RemoteFileSmallerAlreadyExists;
        const std::string target = smaller ? "old" : "old target  ok"; // 3 or 14 bytes
        if (isDownload(kind)) {
            m_server.fs().addFile("/" + name.toStdString(), kSource);
            writeAll(m_env.local(name), QByteArray::fromStdString(target));
            return manager.AddDownload(m_host, "/", true, 45000.5, 14, false, m_env.localRoot(), "/" + name);
        }
        writeAll(m_env.local(name), kSource);
        m_server.fs().addFile("/" + name.toStdString(), target);
        return manager.AddUpload(m_host, m_env.localRoot(), true, "/", m_env.local(name));
    }

    bool overwritten(TKind kind, const QString& name)
    {
        return isDownload(kind) ? readAll(m_env.local(name)) == kSource
                                : m_server.fs().content("/" + name.toStdString()) == kSource;
    }

    // Runs the queue and answers every prompt until nothing is left to do.
    void runToEnd(TQueueManager& manager)
    {
        const auto settled = [&] {
            if (manager.threadCount() > 0)
                return false;
            for (TQueueItem* item : manager.Items())
                if (manager.isEligible(item))
                    return false;
            return true;
        };
        manager.Schedule();
        ASSERT_TRUE(waitFor(settled));
        while (manager.RunFileExistsPromptStep())
            ASSERT_TRUE(waitFor(settled));
    }

    bool prompted(const QString& name) const
    {
        for (const TFileExistsPrompt& shown : m_prompter.shown)
            if (shown.Filename.endsWith(QLatin1Char('/') + name))
                return true;
        return false;
    }

    QueueEnvironment m_env;
    ScriptedFtpServer m_server;
    THost m_host = hostFor(m_server);
    ScriptedPrompter m_prompter;
};

} // namespace

TEST_P(QueueExistsKindsTest, AnOverwriteAnswerKeepsToItsKindAndScopeAcrossTwoRuns)
{
    const TKind kind = GetParam().kind;
    const int scope = GetParam().scope;
    {
        TQueueManager first;
        first.SetDefaultExistsActionsFromSettings();
        first.setFileExistsPrompter(&m_prompter);
        // The last item is asked first.
        conflict(first, sibling(kind), "s1");
        conflict(first, kind, "a1");
        conflict(first, kind, "a2");
        m_prompter.answers.push_back({TFileAlreadyExistsAction::faeOverwrite, scope});
        runToEnd(first);
        ASSERT_FALSE(m_prompter.shown.empty());
        EXPECT_EQ(m_prompter.shown[0].Kind, kind);
        EXPECT_TRUE(overwritten(kind, "a2"));
        EXPECT_EQ(overwritten(kind, "a1"), scope != TFileExistsPrompt::kOnlyThisFile);
        EXPECT_EQ(prompted("a1"), scope == TFileExistsPrompt::kOnlyThisFile);
        EXPECT_TRUE(prompted("s1")) << "an answer for one kind decided another";
        EXPECT_FALSE(overwritten(sibling(kind), "s1"));
    }
    // Only "always" is stored, and only in the setting of its own kind.
    for (const TKind other : {TKind::LocalFileAlreadyExists, TKind::LocalFileSmallerAlreadyExists,
                              TKind::RemoteFileAlreadyExists, TKind::RemoteFileSmallerAlreadyExists}) {
        const bool stored = other == kind && scope == TFileExistsPrompt::kAllFilesAlways;
        EXPECT_EQ(MainConfig()
                      ->GetValue(QString::fromLatin1(TFileExistsPrompt::settingName(other)),
                                 QStringLiteral("faeAsk"))
                      .toString(),
                  stored ? "faeOverwrite" : "faeAsk")
            << TFileExistsPrompt::settingName(other);
    }

    m_prompter.shown.clear();
    TQueueManager next;
    next.SetDefaultExistsActionsFromSettings();
    next.setFileExistsPrompter(&m_prompter);
    conflict(next, sibling(kind), "t1");
    conflict(next, kind, "b1");
    runToEnd(next);
    EXPECT_EQ(prompted("b1"), scope != TFileExistsPrompt::kAllFilesAlways);
    EXPECT_EQ(overwritten(kind, "b1"), scope == TFileExistsPrompt::kAllFilesAlways);
    EXPECT_TRUE(prompted("t1"));
    EXPECT_FALSE(overwritten(sibling(kind), "t1"));
}

// Skip with "For all files always": the next run skips that kind without asking.
class QueueSkipAlwaysTest : public QueueExistsKindsTest
{};

TEST_P(QueueSkipAlwaysTest, ASkipAlwaysAnswerSkipsItsKindSilentlyAndNoOther)
{
    const TKind kind = GetParam().kind;
    {
        TQueueManager first;
        first.SetDefaultExistsActionsFromSettings();
        first.setFileExistsPrompter(&m_prompter);
        conflict(first, kind, "a1");
        m_prompter.answers.push_back({TFileAlreadyExistsAction::faeSkip, TFileExistsPrompt::kAllFilesAlways});
        runToEnd(first);
    }
    m_prompter.shown.clear();
    TQueueManager next;
    next.SetDefaultExistsActionsFromSettings();
    next.setFileExistsPrompter(&m_prompter);
    conflict(next, sibling(kind), "t1");
    conflict(next, kind, "b1");
    runToEnd(next);
    EXPECT_FALSE(prompted("b1"));
    EXPECT_FALSE(overwritten(kind, "b1"));
    EXPECT_TRUE(prompted("t1")) << "a skip for one kind silenced another";
}

INSTANTIATE_TEST_SUITE_P(FourKindsThreeScopes, QueueExistsKindsTest,
                         ::testing::Values(KindScope{TKind::LocalFileAlreadyExists, 0},
                                           KindScope{TKind::LocalFileAlreadyExists, 1},
                                           KindScope{TKind::LocalFileAlreadyExists, 2},
                                           KindScope{TKind::LocalFileSmallerAlreadyExists, 0},
                                           KindScope{TKind::LocalFileSmallerAlreadyExists, 1},
                                           KindScope{TKind::LocalFileSmallerAlreadyExists, 2},
                                           KindScope{TKind::RemoteFileAlreadyExists, 0},
                                           KindScope{TKind::RemoteFileAlreadyExists, 1},
                                           KindScope{TKind::RemoteFileAlreadyExists, 2},
                                           KindScope{TKind::RemoteFileSmallerAlreadyExists, 0},
                                           KindScope{TKind::RemoteFileSmallerAlreadyExists, 1},
                                           KindScope{TKind::RemoteFileSmallerAlreadyExists, 2}),
                         caseName);

INSTANTIATE_TEST_SUITE_P(FourKinds, QueueSkipAlwaysTest,
                         ::testing::Values(KindScope{TKind::LocalFileAlreadyExists, 2},
                                           KindScope{TKind::LocalFileSmallerAlreadyExists, 2},
                                           KindScope{TKind::RemoteFileAlreadyExists, 2},
                                           KindScope{TKind::RemoteFileSmallerAlreadyExists, 2}),
                         caseName);

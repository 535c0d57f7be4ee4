// The replay walk against a fake launcher and a fake window: which items are
// opened, in which order, how the visits are counted and where the walk stops.
#include "replay/replaydriver.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace qm {
namespace {

class FakeOpener : public IItemOpener {
public:
    std::vector<std::wstring> recognised;                          // titles the recogniser saw
    std::vector<std::wstring> opened;                              // paths OpenItemPath got
    std::map<std::wstring, std::pair<int, std::wstring>> answers;  // title: answer, rewritten path
    std::wstring failOn;                                           // a path whose opening throws

    int RecogniseAndLaunch(std::wstring& title, std::wstring& path) override {
        recognised.push_back(title);
        auto it = answers.find(title);
        if (it == answers.end()) return 0;
        if (it->second.first == 2) path = it->second.second;
        return it->second.first;
    }
    void OpenItemPath(const std::wstring& path, bool asGroup) override {
        if (asGroup) throw std::logic_error("replay opens items, never groups");
        if (!failOn.empty() && path == failOn) throw std::runtime_error("cannot open");
        opened.push_back(path);
    }
};

class FakeHost : public IReplayHost, public IProgress {
public:
    bool records = true;
    bool selected = true;
    std::vector<std::wstring> hints, messages;
    std::vector<std::string> events;  // progress, timer and selection, in order
    int maximum = -1, gauge = -1;
    std::function<void()> onPump;

    bool HasRecords() override { return records; }
    void EnsureRecordSelected() override {
        if (!selected) events.push_back("select first");
        selected = true;
    }
    void ClearStopRequest() override { events.push_back("clear stop"); }
    bool StopRequested() const override { return false; }
    void ShowProgress(bool show) override {
        if (show) events.push_back("progress");
    }
    void SetGauge(int position, int max) override {
        maximum = max;
        gauge = position;
    }
    void SetCaption(const std::wstring& text) override { hints.push_back(text); }
    void SetHint(const std::wstring& text) override { hints.push_back(text); }
    void Wait(int) override {}
    void Pump() override {
        if (onPump) onPump();
    }
    void ShowReplayMessage(const std::wstring& text) override { messages.push_back(text); }
    void StartFinishTimer() override { events.push_back("timer after " + std::to_string(hints.size()) + " hints"); }
};

// Builds the All tree from a compact description: each top-level entry is a
// path, or a path with the paths of its documents. Texts keep the given order.
struct TTop {
    std::wstring path;
    std::vector<std::wstring> children;
};

void Build(TRecordModel& model, const std::vector<TTop>& tops) {
    int n = 0;
    auto add = [&](TTreeNode* parent, const std::wstring& path) {
        int index = model.items.Append();
        model.items.At(index).path = path;
        std::wstring text = std::to_wstring(n++);
        text.insert(0, 6 - text.size(), L'0');
        return model.all.Add(parent, text, index);
    };
    for (const TTop& t : tops) {
        TTreeNode* top = add(nullptr, t.path);
        for (const auto& c : t.children) add(top, c);
    }
}

std::vector<TTop> Singles(int count) {
    std::vector<TTop> tops;
    for (int i = 0; i < count; ++i) tops.push_back({L"C:\\items\\" + std::to_wstring(i) + L".txt", {}});
    return tops;
}

struct Replay {
    TRecordModel model;
    FakeOpener opener;
    FakeHost host;
    TReplayDriver driver{opener, host, host};

    explicit Replay(const std::vector<TTop>& tops) { Build(model, tops); }
    void Run(bool allDocs) { driver.ReplayRecord(model.all, model.items, allDocs, CountReplayItems(model.all)); }
};

TEST(ReplayDriver, CountsTopLevelAndAllItems) {
    Replay r({{L"C:\\a.exe", {L"C:\\a1.txt", L"C:\\a2.txt"}}, {L"C:\\b.exe", {L"C:\\b1", L"C:\\b2"}}, {L"C:\\c", {}}});
    TReplayCounts counts = CountReplayItems(r.model.all);
    EXPECT_EQ(counts.topLevel, 3);
    EXPECT_EQ(counts.total, 7);

    Replay big(Singles(5001));
    counts = CountReplayItems(big.model.all);
    EXPECT_EQ(counts.topLevel, 5000);  // the counting walk stops after 5000 nodes
    EXPECT_EQ(counts.total, 5000);
}

TEST(ReplayDriver, VisitsAndOpenedItemsPerShape) {
    struct Case {
        const char* shape;
        std::vector<TTop> tops;
        bool allDocs;
        int visits;
        std::vector<std::wstring> opened;
    };
    const std::vector<std::wstring> three{L"C:\\d\\1.txt", L"C:\\d\\2.txt", L"C:\\d\\3.txt"};
    const Case cases[] = {
        {"single item", {{L"C:\\x.txt", {}}}, false, 1, {L"C:\\x.txt"}},
        {"single item, all documents", {{L"C:\\x.txt", {}}}, true, 1, {L"C:\\x.txt"}},
        {"group of three, first document", {{L"C:\\app.exe", three}}, false, 3, {L"C:\\d\\1.txt"}},
        {"group of one, first document", {{L"C:\\app.exe", {L"C:\\d\\1.txt"}}}, false, 2, {L"C:\\d\\1.txt"}},
        {"group of three, all documents", {{L"C:\\app.exe", three}}, true, 4, three},
        {"group of one, all documents", {{L"C:\\app.exe", {L"C:\\d\\1.txt"}}}, true, 2, {L"C:\\d\\1.txt"}},
        {"tree order",
         {{L"C:\\a.txt", {}}, {L"http://site", {L"http://site/p1", L"http://site/p2"}}, {L"C:\\Folder", {}}},
         false,
         5,
         {L"C:\\a.txt", L"http://site/p1", L"C:\\Folder"}},
    };
    for (const Case& c : cases) {
        Replay r(c.tops);
        r.Run(c.allDocs);
        EXPECT_EQ(r.driver.Visits(), c.visits) << c.shape;
        EXPECT_EQ(r.opener.opened, c.opened) << c.shape;
        EXPECT_TRUE(r.host.messages.empty()) << c.shape;
    }
}

TEST(ReplayDriver, TheVisitReachingTheLimitOpensNothing) {
    struct Case {
        const char* shape;
        std::vector<TTop> tops;
        bool allDocs;
        size_t opened;
        bool warned;
    };
    std::vector<TTop> groups;  // 333 groups of two documents: 999 visits in all-documents mode
    for (int i = 0; i < 333; ++i)
        groups.push_back({L"C:\\g" + std::to_wstring(i) + L".exe", {L"C:\\d\\a.txt", L"C:\\d\\b.txt"}});
    std::vector<TTop> oneMore = groups;
    oneMore.push_back({L"C:\\last.txt", {}});
    const Case cases[] = {
        {"999 single items", Singles(999), false, 999, false},
        {"1000 single items", Singles(1000), false, 999, true},
        {"1500 single items", Singles(1500), false, 999, true},
        {"999 visits in groups", groups, true, 666, false},
        {"the 1000th visit is a last single item", oneMore, true, 666, true},
    };
    for (const Case& c : cases) {
        Replay r(c.tops);
        r.Run(c.allDocs);
        EXPECT_EQ(r.opener.opened.size(), c.opened) << c.shape;
        EXPECT_EQ(r.host.messages.size(), c.warned ? 1u : 0u) << c.shape;
        if (c.warned) {
            EXPECT_EQ(r.host.messages[0], kReplayTooManyText) << c.shape;
        }
        EXPECT_EQ(r.host.hints.back(), L"Finish.") << c.shape;
    }
}

TEST(ReplayDriver, ProgramItselfIsNeverStarted) {
    Replay r({{L"C:\\x\\Quilmar.exe", {}},
              {L"QUILMAR.EXE", {}},
              {L"D:\\Program Files\\QuilMar\\quilmar.exe ", {}},
              {L"C:\\x\\notquilmar.exe", {}},
              {L"C:\\x\\quilmar.exe.txt", {}},
              {L"C:\\app.exe", {L"C:\\QuilMar\\QUILMAR.exe", L"C:\\d\\doc.txt"}}});
    r.Run(true);
    EXPECT_EQ(r.opener.opened,
              (std::vector<std::wstring>{L"C:\\x\\notquilmar.exe", L"C:\\x\\quilmar.exe.txt", L"C:\\d\\doc.txt"}));
    EXPECT_EQ(r.opener.recognised.size(), 3u);  // skipped items do not reach the recogniser either
}

TEST(ReplayDriver, RecogniserDecidesFirst) {
    Replay r(
        {{L"C:\\windows\\explorer.exe", {}}, {L"C:\\windows\\system32\\rundll32.exe", {}}, {L"C:\\plain.txt", {}}});
    // Node texts are "000000", "000001", ...
    r.opener.answers[L"000000"] = {1, L""};
    r.opener.answers[L"000001"] = {2, L"Windows Photo Viewer"};
    r.Run(false);
    EXPECT_EQ(r.opener.recognised, (std::vector<std::wstring>{L"000000", L"000001", L"000002"}));
    EXPECT_EQ(r.opener.opened, (std::vector<std::wstring>{L"Windows Photo Viewer", L"C:\\plain.txt"}));
}

TEST(ReplayDriver, HintsProgressAndFinishTimer) {
    Replay r({{L"C:\\a.txt", {}}, {L"C:\\app.exe", {L"C:\\d\\1.txt", L"C:\\d\\2.txt"}}});
    r.Run(false);
    EXPECT_EQ(r.host.hints,
              (std::vector<std::wstring>{L"Please Waiting for a while...", L"C:\\a.txt", L"C:\\d\\1.txt", L"Finish."}));
    EXPECT_EQ(r.host.events, (std::vector<std::string>{"clear stop", "progress", "timer after 4 hints"}));
    EXPECT_EQ(r.host.maximum, 2);  // the top-level count in first-document mode
    EXPECT_EQ(r.host.gauge, 2);

    Replay all({{L"C:\\a.txt", {}}, {L"C:\\app.exe", {L"C:\\d\\1.txt", L"C:\\d\\2.txt"}}});
    all.Run(true);
    EXPECT_EQ(all.host.maximum, 4);  // the total count
    EXPECT_EQ(all.host.gauge, 4);
}

TEST(ReplayDriver, NoRecordsOpensNothingButStillFinishes) {
    Replay r(Singles(3));
    r.host.records = false;
    r.Run(false);
    EXPECT_TRUE(r.opener.opened.empty());
    EXPECT_EQ(r.host.hints, (std::vector<std::wstring>{L"Please Waiting for a while...", L"Finish."}));
    EXPECT_EQ(r.host.events, (std::vector<std::string>{"clear stop", "timer after 2 hints"}));

    Replay unselected(Singles(1));
    unselected.host.selected = false;
    unselected.Run(false);
    EXPECT_EQ(unselected.host.events.at(1), "select first");
    EXPECT_EQ(unselected.opener.opened.size(), 1u);
}

TEST(ReplayDriver, AnErrorEndsTheWalkAfterFinishAndTheTimer) {
    Replay r(Singles(4));
    r.opener.failOn = L"C:\\items\\1.txt";
    EXPECT_THROW(r.Run(false), std::runtime_error);
    EXPECT_EQ(r.opener.opened, std::vector<std::wstring>{L"C:\\items\\0.txt"});
    EXPECT_EQ(r.host.hints.back(), L"Finish.");
    EXPECT_EQ(r.host.events.back(), "timer after " + std::to_string(r.host.hints.size()) + " hints");
    EXPECT_TRUE(r.host.messages.empty());
}

TEST(ReplayDriver, ModelChangedWhilePumpingDoesNotDisturbTheWalk) {
    // A command run between two items (another record loaded, items deleted)
    // empties the model; the walk carries on with what it took at its start.
    Replay r({{L"C:\\a.txt", {}}, {L"C:\\app.exe", {L"C:\\d\\1.txt", L"C:\\d\\2.txt"}}, {L"C:\\z.txt", {}}});
    bool cleared = false;
    r.host.onPump = [&] {
        if (!cleared && !r.opener.opened.empty()) {
            r.model.ClearAll();
            cleared = true;
        }
    };
    r.Run(true);
    EXPECT_TRUE(cleared);
    EXPECT_EQ(r.opener.opened,
              (std::vector<std::wstring>{L"C:\\a.txt", L"C:\\d\\1.txt", L"C:\\d\\2.txt", L"C:\\z.txt"}));
}

}  // namespace
}  // namespace qm

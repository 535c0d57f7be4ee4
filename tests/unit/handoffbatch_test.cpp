// The hand-off's adds as one batch against the same adds one at a time: the
// lookups a batch keeps (the record's index, the existence answers, the recent
// documents by program) must never change what lands in the record.
#include <gtest/gtest.h>

#include "app/handoff.h"
#include "base/files.h"
#include "capture/recorder.h"
#include "records/treefile.h"
#include "support/fakecapture.h"
#include "support/manypaths.h"
#include "support/tempdir.h"

namespace qm {
namespace {

class Host : public IEntryHost, public TNoProgress {
public:
    int saves = 0;
    void HoldTreeRepaints(bool) override {}
    void SaveSelectedRecord() override { ++saves; }
    void ShowLastRecordedPath() override {}
    void ReselectRecord() override {}
    void RestoreSmartRecord() override {}
};

struct Session {
    TRecordModel model;
    TRecordOptions options;
    test::FakeImages images;
    test::FakeRecordHost recordHost;
    Host host;
    TRecorder recorder{model, options, images, L"C:\\no-documents-here"};
    Session() { recorder.SetHost(&recordHost, &host); }

    std::string Saved(const std::wstring& file) {
        EXPECT_TRUE(WriteTreeFile(file, model, L"quilmar"));
        return ReadFileBytes(file).value_or("");
    }
};

TEST(HandoffBatch, ManyPathsAtOnceGiveTheRecordOfAddingThemOneByOne) {
    test::TempDir dir;
    // Documents of three kinds, folders, shortcuts, web addresses, repeats and
    // missing files, in a folder with a non-ASCII name.
    test::TManyPaths set = test::MakeManyPaths(dir.Path(), 1000);
    // Part of the record is there before, so repeats of it are marked, not added.
    std::vector<std::wstring> before(set.paths.begin(), set.paths.begin() + 200);
    std::vector<std::wstring> handed(set.paths.begin() + 150, set.paths.end());

    Session batch, single;
    AddHandoffEntries(before, batch.recorder, batch.host, batch.host);
    AddHandoffEntries(handed, batch.recorder, batch.host, batch.host);
    for (const auto& part : {before, handed})
        for (const std::wstring& path : part)
            AddHandoffEntries(std::vector<std::wstring>{path}, single.recorder, single.host, single.host);

    EXPECT_EQ(batch.host.saves, 2);
    EXPECT_EQ(batch.recorder.LastRecordedPath(), single.recorder.LastRecordedPath());
    ASSERT_GT(batch.model.items.Count(), 900);
    std::string a = batch.Saved(dir / L"batch.quilmar"), b = single.Saved(dir / L"single.quilmar");
    ASSERT_FALSE(a.empty());
    EXPECT_TRUE(a == b) << "the batch's record differs from the one-by-one record (" << a.size() << " and " << b.size()
                        << " bytes)";
}

}  // namespace
}  // namespace qm

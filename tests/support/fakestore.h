// In-memory stand-ins for the record list box and the window's panels.
#pragma once
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "records/recordstore.h"
#include "support/tempdir.h"

namespace qm::test {

class FakeRecordList : public IRecordList {
public:
    std::vector<std::wstring> entries;
    std::vector<bool> selected;
    int cursor = -1;

    void Clear() override {
        entries.clear();
        selected.clear();
        cursor = -1;
    }
    void Add(const std::wstring& name) override {
        entries.push_back(name);
        selected.push_back(false);
    }
    int Count() const override { return static_cast<int>(entries.size()); }
    std::wstring Text(int i) const override { return entries.at(static_cast<size_t>(i)); }
    int Cursor() const override { return cursor; }
    void SelectOnly(int i) override {
        std::fill(selected.begin(), selected.end(), false);
        if (i >= 0 && i < Count()) selected[static_cast<size_t>(i)] = true;
        cursor = i;
    }
    std::vector<int> Selected() const override {
        std::vector<int> out;
        for (size_t i = 0; i < selected.size(); ++i)
            if (selected[i]) out.push_back(static_cast<int>(i));
        return out;
    }
    int IndexOf(const std::wstring& name) const {
        auto it = std::find(entries.begin(), entries.end(), name);
        return it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
    }
};

class FakeStoreHost : public IStoreHost, public IProgress {
public:
    std::wstring status0, status1, hint;
    std::vector<std::wstring> hints, questions;
    bool answer = true;              // the answer to every question
    bool settingsConfirmed = false;  // what the settings dialog returns
    int settingsShown = 0;
    std::optional<std::wstring> newName;
    bool stop = false;
    int stopAfterPumps = -1;  // sets the stop request after this many pumps
    int pumps = 0, treesChanged = 0;
    bool progressShown = false;

    void SetStatusTexts(const std::wstring& a, const std::wstring& b) override {
        status0 = a;
        status1 = b;
    }
    void ShowSearchEntry() override {}
    void HoldTreeRepaints(bool) override {}
    void TreesChanged() override { ++treesChanged; }
    void ShowProgress(bool show) override { progressShown = show; }
    void SetCaption(const std::wstring& t) override { SetHint(t); }
    void SetHint(const std::wstring& t) override {
        hint = t;
        hints.push_back(t);
    }
    void SetGauge(int, int) override {}
    void Pump() override {
        if (++pumps == stopAfterPumps) stop = true;
    }
    bool StopRequested() const override { return stop; }
    void ClearStopRequest() override { stop = false; }
    bool Confirm(const std::wstring& text) override {
        questions.push_back(text);
        return answer;
    }
    bool RunSettingsDialog() override {
        ++settingsShown;
        return settingsConfirmed;
    }
    std::optional<std::wstring> AskNewName(const std::wstring&) override { return newName; }
};

// A record store over a temporary folder with the fakes above; its records go
// to the folder's "records".
struct TStoreFixture {
    TStoreFixture() { settings.record.recPath = dir / L"records"; }
    TempDir dir;
    TRecordModel model;
    TSettings settings;
    FakeRecordList list;
    FakeStoreHost host;
    TRecordStore store{model, settings, nullptr, list, host, host, L"C:\\QuilMar\\quilmar.exe", dir / L"default"};
};

}  // namespace qm::test

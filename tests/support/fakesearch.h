#pragma once
// Stand-ins for what a search run calls besides the page loader: fixed
// options, a chooser that answers from a list, and a view that records;
// and an engine over them for a loader of the test's own.

#include <QList>
#include <QStringList>
#include <memory>

#include "search/searchengine.h"
#include "search/searchtypes.h"

namespace quill::test {

struct FixedOptions : SearchOptions {
    SearchPolicy policy;
    SearchPolicy Current() const override { return policy; }
};

struct ScriptedChooser : Chooser {
    QList<int> answers;  // taken in order; 0 (the first row) when none left
    QList<ChoiceTable> shown;
    int Choose(const ChoiceTable& table) override {
        shown << table;
        return answers.isEmpty() ? 0 : answers.takeFirst();
    }
};

struct RecordingView : RunView {
    int progress = 0;
    QStringList status;
    int entered = 0, canceled = 0, completed = 0;
    QString summary, cdna;
    void EnterRunning() override { ++entered; }
    void SetStatusLine(const QString& text) override { status << text; }
    void AddProgress(int units) override { progress += units; }
    void EndCanceled() override { ++canceled; }
    void EndComplete(const QString& s, const QString& c) override {
        ++completed;
        summary = s;
        cdna = c;
    }
};

struct SearchRig {
    Module1 module;
    Settings settings;
    FixedOptions options;
    ScriptedChooser chooser;
    RecordingView view;
    std::unique_ptr<SearchEngine> engine;

    void Build(PageLoader& loader) {
        engine = std::make_unique<SearchEngine>(module, settings, loader, options, chooser, view);
    }
    // Begins a run of its kind and runs the list.
    bool Run(const QStringList& list, bool accession = false) {
        if (accession) {
            engine->BeginAccessionRun();
            return engine->RunAccession(list);
        }
        engine->BeginUniGeneRun();
        return engine->RunUniGene(list);
    }
    const SearchResults& R() const { return engine->Results(); }
};

}  // namespace quill::test

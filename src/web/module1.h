#pragma once
// Shared state that outlives one window event: the cancel and watchdog flags
// and the working values of a search run. One object, owned by the
// application and handed to whoever needs it.

#include <QString>

namespace quill {

struct Module1 {
    bool CancelSearch = false;
    bool PageTimedOut = false;

    QString PageHtml;
    QString CurrentTerm;
    int TermCount = 0;     // lifted from 16 bits: long term lists are fine
    int ProgressStep = 0;  // 1000 / TermCount, integer division
    QString ChosenAccession;
    QString ChosenUrl;
    QString SequenceText;
};

}  // namespace quill

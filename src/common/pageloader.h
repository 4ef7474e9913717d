#pragma once
// The page wait that every engine calls. The real one loads pages over the
// network (WebPageLoader); tests use a fake that answers from a page map.

#include <QString>

namespace quill {

class PageLoader {
  public:
    enum Result { Canceled = 1, Loaded = 2 };
    virtual ~PageLoader() = default;
    // Loads the address and waits until the page is complete or the run's
    // cancel flag is raised: 1 canceled, 2 loaded.
    virtual int NavigateAndWait(const QString& address) = 0;
    // The markup of the page the browser now holds (after a canceled wait,
    // whatever it held before).
    virtual QString Markup() const = 0;
};

}  // namespace quill

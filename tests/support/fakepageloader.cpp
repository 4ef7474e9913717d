#include "support/fakepageloader.h"

namespace quill::test {

int FakePageLoader::NavigateAndWait(const QString& address) {
    asked_ << address;
    const int n = static_cast<int>(asked_.size());
    if (hook_) hook_(n, address);
    if (cancelAt_ > 0 && n == cancelAt_) module_.CancelSearch = true;
    // A raised flag ends the wait at its first turn; the browser keeps the
    // page it held.
    if (module_.CancelSearch) return Canceled;
    const auto error = errors_.constFind(address);
    if (error != errors_.constEnd()) {
        failure_ = {error.value(), address};
        return ServerError;
    }
    current_ = pages_.value(address, missing_);
    return Loaded;
}

}  // namespace quill::test

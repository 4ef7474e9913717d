#pragma once
// A page loader that answers from an address -> markup map, for engine tests.
// It records every address asked for, can raise the run's cancel flag at the
// Nth load, answers unknown addresses with a fixed page, and can refuse
// addresses as a server does.

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

#include "web/module1.h"
#include "web/pageloader.h"

namespace quill::test {

class FakePageLoader : public PageLoader {
  public:
    explicit FakePageLoader(Module1& module) : module_(module) {}

    // The markup served for an address (the whole address, as asked).
    void SetPage(const QString& address, const QString& markup) { pages_[address] = markup; }
    // Served for any address without a page of its own ("" by default).
    void SetMissingPage(const QString& markup) { missing_ = markup; }
    // The wait for this address ends with ServerError and this message
    // ("404 Not Found"); the page held before stays.
    void SetServerError(const QString& address, const QString& message) {
        errors_[address] = message;
    }
    // Raises module.CancelSearch when load number n (1-based) is asked for;
    // that wait and every later one report "canceled". 0 switches it off.
    void CancelAtLoad(int n) { cancelAt_ = n; }
    // Called before every load with its number and address.
    void OnLoad(std::function<void(int, const QString&)> hook) { hook_ = std::move(hook); }

    int NavigateAndWait(const QString& address) override;
    QString Markup() const override { return current_; }
    Failure LastFailure() const override { return failure_; }

    const QStringList& Asked() const { return asked_; }
    int LoadCount() const { return static_cast<int>(asked_.size()); }

  private:
    Module1& module_;
    QHash<QString, QString> pages_;
    QHash<QString, QString> errors_;
    QString missing_;
    QString current_;
    Failure failure_;
    QStringList asked_;
    int cancelAt_ = 0;
    std::function<void(int, const QString&)> hook_;
};

}  // namespace quill::test

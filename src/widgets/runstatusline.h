#pragma once
// The status line of a window whose run waits for web pages. It shows the
// run's own line (the term under way); while a page wait has trouble (a load
// problem, or a server that has not answered for a while) it says so, and it
// puts the run's line back when the page has come. A long line is elided to
// the label's width, the whole line in its tooltip, so that it never widens
// the window.

#include <QObject>
#include <QString>

class QLabel;

namespace quill {
class WebPageLoader;
}

namespace quill::ui {

class RunStatusLine : public QObject {
    Q_OBJECT
  public:
    // Shows its lines in label (which it makes elide); server names the
    // server in the waiting line.
    explicit RunStatusLine(QLabel* label, QString server = QStringLiteral("NCBI"));

    // Follows the page waits of loader (slow pages, and their end).
    void Watch(WebPageLoader& loader);

    void SetRunLine(const QString& text);  // shown unless a page has trouble
    void ShowProblem(const QString& text);
    void ShowWaiting(int seconds);  // "Waiting for the NCBI server … 12 s"
    void Settled();                 // the run's line again

    // The whole line now shown (before eliding).
    QString Text() const { return shown_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Show(const QString& text);
    void Elide();

    QLabel* label_;
    QString server_;
    QString runLine_;
    QString shown_;
};

}  // namespace quill::ui

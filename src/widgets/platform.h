#pragma once
// src/widgets holds what the windows of every area share, none of it
// knowing the shell: the seams to the desktop with their test double (this
// header, the folder's main one), the term list editor (termlisteditor.h),
// the status line of a run that waits for web pages (runstatusline.h), the
// run-window part of the search and expression-profile windows
// (runwindow.h), and navigation: the window names and the navigator that the
// shell implements (navigator.h) and the context every window is made with
// (appcontext.h). The printer seam is in printing/gui.
//
// Seams to the desktop: message and input boxes, file dialogs, the clipboard
// and the user's browser. Windows call these static functions; a test
// installs a PlatformDouble, which answers from queues and records what was
// shown, so every window runs headless.

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

class QWidget;

namespace quill::ui {

enum class Icon { None, Exclamation, Question };

class PlatformDouble;

class Platform {
  public:
    // A message with an OK button.
    static void Message(QWidget* parent, const QString& text, const QString& title,
                        Icon icon = Icon::None);
    // A question with Yes and No buttons; true for Yes.
    static bool AskYesNo(QWidget* parent, const QString& text, const QString& title,
                         Icon icon = Icon::Question);
    // An input box; a cancelled box answers the empty string.
    static QString Input(QWidget* parent, const QString& prompt, const QString& title,
                         const QString& defaultText = QString());
    // File dialogs. The filter is written "Description|pattern|Description|pattern";
    // an empty answer means the user chose nothing.
    static QString OpenFileName(QWidget* parent, const QString& filter);
    // A name typed without an extension gets the chosen filter's.
    static QString SaveFileName(QWidget* parent, const QString& filter);
    static void SetClipboardText(const QString& text);
    // Opens the address in the user's browser; false when no browser took it.
    static bool OpenUrl(const QString& url);
    // Opens the address, or, when no browser takes it, shows it in a message
    // (titled title) for the user to copy.
    static void OpenUrlOrShow(QWidget* parent, const QString& url, const QString& title);

    // The extension that a save dialog adds for entry index of the filter
    // ("Text Files (*.txt)|*.txt", 0 -> "txt"); "" for "*" and "*.*".
    static QString DefaultSuffix(const QString& filter, int index);

    // "Excel Worksheet|*.xls|CSV|*.csv" -> "Excel Worksheet (*.xls);;CSV (*.csv)".
    static QString ToQtFilter(const QString& filter);

  private:
    friend class PlatformDouble;
    static PlatformDouble* double_;
};

// What a window showed through the Platform, as a PlatformDouble records it.
struct Shown {
    enum Kind { Message, Question, Input, OpenFile, SaveFile };
    Kind kind;
    QString title;
    QString text;  // message text, question, prompt, or file filter
    Icon icon = Icon::None;
};

class PlatformDouble {
  public:
    PlatformDouble();  // installs itself; at most one at a time
    ~PlatformDouble();
    PlatformDouble(const PlatformDouble&) = delete;
    PlatformDouble& operator=(const PlatformDouble&) = delete;

    // Answers for the next questions, input boxes and file dialogs, in order.
    // With an empty queue a question answers No and the others "".
    void queueAnswer(bool yes) { yesNo_.enqueue(yes); }
    void queueInput(const QString& text) { inputs_.enqueue(text); }
    void queueOpenFile(const QString& path) { openFiles_.enqueue(path); }
    void queueSaveFile(const QString& path) { saveFiles_.enqueue(path); }

    QList<Shown> shown;            // everything shown, in order
    QString clipboard;             // last clipboard text
    QStringList openedUrls;        // addresses opened in the browser
    bool browserAvailable = true;  // false: OpenUrl finds no browser
    int unanswered = 0;            // dialogs shown with an empty queue

    // Messages (kind Message) only, their texts in order.
    QStringList messageTexts() const;
    // Everything shown, one "kind|title|text|icon" line each (e.g.
    // "Question|Clear?|Are you sure ...|Question"), for exact comparisons.
    QStringList log() const;
    void clear();

  private:
    friend class Platform;
    QQueue<bool> yesNo_;
    QQueue<QString> inputs_;
    QQueue<QString> openFiles_;
    QQueue<QString> saveFiles_;
};

}  // namespace quill::ui

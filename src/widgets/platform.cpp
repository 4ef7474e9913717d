#include "widgets/platform.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace quill::ui {

PlatformDouble* Platform::double_ = nullptr;

namespace {
QMessageBox::Icon ToQt(Icon icon) {
    switch (icon) {
        case Icon::Exclamation:
            return QMessageBox::Warning;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

void Platform::Message(QWidget* parent, const QString& text, const QString& title, Icon icon) {
    if (double_) {
        double_->shown.append({Shown::Message, title, text, icon});
        return;
    }
    QMessageBox box(ToQt(icon), title, text, QMessageBox::Ok, parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
}

bool Platform::AskYesNo(QWidget* parent, const QString& text, const QString& title, Icon icon) {
    if (double_) {
        double_->shown.append({Shown::Question, title, text, icon});
        if (double_->yesNo_.isEmpty()) {
            ++double_->unanswered;
            return false;
        }
        return double_->yesNo_.dequeue();
    }
    QMessageBox box(ToQt(icon), title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QString Platform::Input(QWidget* parent, const QString& prompt, const QString& title,
                        const QString& defaultText) {
    if (double_) {
        double_->shown.append({Shown::Input, title, prompt, Icon::None});
        if (double_->inputs_.isEmpty()) {
            ++double_->unanswered;
            return QString();
        }
        return double_->inputs_.dequeue();
    }
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : QString();
}

QString Platform::ToQtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& desc = parts[i];
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the last parentheses of an entry.
        if (desc.endsWith(QLatin1Char(')')) && desc.contains(pattern))
            entries << desc;
        else
            entries << desc + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

QString Platform::OpenFileName(QWidget* parent, const QString& filter) {
    if (double_) {
        double_->shown.append({Shown::OpenFile, QString(), filter, Icon::None});
        if (double_->openFiles_.isEmpty()) {
            ++double_->unanswered;
            return QString();
        }
        return double_->openFiles_.dequeue();
    }
    return QFileDialog::getOpenFileName(parent, QString(), QString(), ToQtFilter(filter));
}

QString Platform::SaveFileName(QWidget* parent, const QString& filter) {
    if (double_) {
        double_->shown.append({Shown::SaveFile, QString(), filter, Icon::None});
        if (double_->saveFiles_.isEmpty()) {
            ++double_->unanswered;
            return QString();
        }
        return double_->saveFiles_.dequeue();
    }
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QStringList entries = ToQtFilter(filter).split(QStringLiteral(";;"));
    dialog.setNameFilters(entries);
    dialog.setDefaultSuffix(DefaultSuffix(filter, 0));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, entries, filter](const QString& chosen) {
                         dialog.setDefaultSuffix(
                             DefaultSuffix(filter, static_cast<int>(entries.indexOf(chosen))));
                     });
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}

QString Platform::DefaultSuffix(const QString& filter, int index) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (index < 0 || 2 * index + 1 >= parts.size()) return QString();
    // The first pattern of the entry: "*.txt" gives "txt".
    const QString pattern = parts[2 * index + 1].split(QLatin1Char(';')).first().trimmed();
    if (!pattern.startsWith(QStringLiteral("*."))) return QString();
    const QString suffix = pattern.mid(2);
    if (suffix.isEmpty() || suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')))
        return QString();
    return suffix;
}

void Platform::SetClipboardText(const QString& text) {
    if (double_) {
        double_->clipboard = text;
        return;
    }
    QApplication::clipboard()->setText(text);
}

bool Platform::OpenUrl(const QString& url) {
    if (double_) {
        if (!double_->browserAvailable) return false;
        double_->openedUrls << url;
        return true;
    }
    return QDesktopServices::openUrl(QUrl(url));
}

void Platform::OpenUrlOrShow(QWidget* parent, const QString& url, const QString& title) {
    if (OpenUrl(url)) return;
    Message(parent,
            QStringLiteral("No web browser could be opened. Copy this address into your "
                           "browser:\n\n") +
                url,
            title, Icon::Exclamation);
}

PlatformDouble::PlatformDouble() {
    Q_ASSERT(Platform::double_ == nullptr);
    Platform::double_ = this;
}

PlatformDouble::~PlatformDouble() {
    Platform::double_ = nullptr;
}

QStringList PlatformDouble::messageTexts() const {
    QStringList out;
    for (const Shown& s : shown)
        if (s.kind == Shown::Message) out << s.text;
    return out;
}

QStringList PlatformDouble::log() const {
    static const char* const kinds[] = {"Message", "Question", "Input", "OpenFile", "SaveFile"};
    static const char* const icons[] = {"None", "Exclamation", "Question"};
    QStringList out;
    for (const Shown& s : shown)
        out << QStringLiteral("%1|%2|%3|%4")
                   .arg(QLatin1String(kinds[s.kind]), s.title, s.text,
                        QLatin1String(icons[static_cast<int>(s.icon)]));
    return out;
}

void PlatformDouble::clear() {
    shown.clear();
    clipboard.clear();
    openedUrls.clear();
    unanswered = 0;
    yesNo_.clear();
    inputs_.clear();
    openFiles_.clear();
    saveFiles_.clear();
}

}  // namespace quill::ui

#include "backends/qt/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStringList>
#include <cstdio>

namespace snaprill {

namespace {

QString fromUtf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString title() {
  return QApplication::applicationName();
}

void toStandardError(const std::string& text) {
  std::fprintf(stderr, "snaprill: %s\n", text.c_str());
}

// The chosen files, nothing when cancelled.
std::optional<QStringList> runFileDialog(QFileDialog& dialog, const std::string& filter,
                                         const std::string& initialDir) {
  dialog.setNameFilter(toQtFileFilter(filter));
  if (!initialDir.empty()) dialog.setDirectory(fromUtf8(initialDir));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return dialog.selectedFiles();
}

std::optional<std::string> firstOf(const std::optional<QStringList>& files) {
  if (!files) return std::nullopt;
  return files->first().toStdString();
}

}  // namespace

QString toQtFileFilter(const std::string& filter) {
  const QStringList parts = fromUtf8(filter).split(QLatin1Char('|'));
  static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i];
    name.remove(trailingPatterns);
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    // "*.*" meant every file, also those without a dot in their name.
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    }
    entries << name.trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
  }
  return entries.join(QStringLiteral(";;"));
}

void QtDialogs::errorBox(const std::string& text) {
  if (onStandardError_) return toStandardError(text);
  QMessageBox::critical(parent_, title(), fromUtf8(text), QMessageBox::Ok);
}

void QtDialogs::messageBox(const std::string& text) {
  if (onStandardError_) return toStandardError(text);
  QMessageBox::information(parent_, title(), fromUtf8(text), QMessageBox::Ok);
}

bool QtDialogs::confirm(const std::string& text) {
  if (onStandardError_) {
    toStandardError(text);
    return false;
  }
  return QMessageBox::question(parent_, title(), fromUtf8(text),
                               QMessageBox::Ok | QMessageBox::Cancel,
                               QMessageBox::Ok) == QMessageBox::Ok;
}

std::optional<std::string> QtDialogs::openFile(const std::string& caption,
                                               const std::string& filter,
                                               const std::string& initialDir) {
  QFileDialog dialog(parent_, fromUtf8(caption));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return firstOf(runFileDialog(dialog, filter, initialDir));
}

std::optional<std::vector<std::string>> QtDialogs::openFiles(const std::string& caption,
                                                             const std::string& filter,
                                                             const std::string& initialDir) {
  QFileDialog dialog(parent_, fromUtf8(caption));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  const std::optional<QStringList> chosen = runFileDialog(dialog, filter, initialDir);
  if (!chosen) return std::nullopt;
  std::vector<std::string> files;
  for (const QString& file : *chosen) files.push_back(file.toStdString());
  return files;
}

std::optional<std::string> QtDialogs::saveFile(const std::string& caption,
                                               const std::string& filter,
                                               const std::string& defaultExtension,
                                               const std::string& initialDir) {
  QFileDialog dialog(parent_, fromUtf8(caption));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!defaultExtension.empty()) dialog.setDefaultSuffix(fromUtf8(defaultExtension));
  return firstOf(runFileDialog(dialog, filter, initialDir));
}

}  // namespace snaprill

// SecretsDialog: the shared secrets the window checks messages with: which file they came
// from and how many clients it names, a way to load another file and to forget them.
// Secrets themselves are never shown.
#pragma once

#include "CaptureChecks.hpp"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace gui {

class SecretsDialog : public QDialog {
    Q_OBJECT
public:
    /// `changed` runs after secrets were loaded or cleared.
    SecretsDialog(CaptureChecks& checks, std::function<void()> changed, QWidget* parent = nullptr);

    /// Loads `path` as the Load button does, showing what went wrong in the dialog.
    bool load(const QString& path);
    QLabel* status() const { return status_; }
    QLabel* problem() const { return problem_; }

private:
    void update();

    CaptureChecks& checks_;
    std::function<void()> changed_;
    QLabel* status_;
    QLabel* problem_;
    QPushButton* clear_;
};

} // namespace gui

#include "SecretsDialog.hpp"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace gui {

SecretsDialog::SecretsDialog(CaptureChecks& checks, std::function<void()> changed, QWidget* parent)
    : QDialog(parent), checks_(checks), changed_(std::move(changed)) {
    setWindowTitle("Shared Secrets");
    auto* layout = new QVBoxLayout(this);
    auto* about =
        new QLabel("With the shared secrets of the clients, every message's authenticator and "
                   "Message-Authenticator are checked and hidden passwords are shown (unless the "
                   "plug-in keeps passwords private).\n\nA secrets file holds lines "
                   "\"ADDRESS[/PREFIX] SECRET\", or is a FreeRADIUS clients.conf.",
                   this);
    about->setWordWrap(true);
    layout->addWidget(about);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setWordWrap(true);
    layout->addWidget(status_);
    problem_ = new QLabel(this);
    problem_->setObjectName("problem");
    problem_->setWordWrap(true);
    problem_->setStyleSheet("color: #c00000;");
    layout->addWidget(problem_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* loadButton = buttons->addButton("Load…", QDialogButtonBox::ActionRole);
    clear_ = buttons->addButton("Clear", QDialogButtonBox::ResetRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(loadButton, &QPushButton::clicked, this, [this] {
        const auto path = QFileDialog::getOpenFileName(
            this, "Load Shared Secrets", {}, "Secrets files (*.txt *.conf);;All files (*)");
        if (!path.isEmpty())
            load(path);
    });
    connect(clear_, &QPushButton::clicked, this, [this] {
        checks_.clear();
        problem_->clear();
        update();
        changed_();
    });
    setMinimumWidth(520);
    update();
}

bool SecretsDialog::load(const QString& path) {
    QString error, warning;
    const bool loaded = checks_.load(path, error, warning);
    problem_->setText(loaded ? warning : error);
    update();
    if (loaded)
        changed_();
    return loaded;
}

void SecretsDialog::update() {
    if (checks_.secretsLoaded())
        status_->setText(QString("Secrets of %1 client%2 or networks from %3")
                             .arg(checks_.clients())
                             .arg(checks_.clients() == 1 ? "" : "s")
                             .arg(checks_.path()));
    else
        status_->setText("No secrets loaded: only exposure to forgery is checked.");
    clear_->setEnabled(checks_.secretsLoaded());
}

} // namespace gui

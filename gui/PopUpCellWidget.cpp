#include "PopUpCellWidget.hpp"

#include "GuiFonts.hpp"
#include "ZEMClassRegistry.hpp"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QTimer>

namespace gui {

namespace {
constexpr const char* cellClassName = "RADIUSAnalyzer.ZEMPopUpTableCellView";
}

PopUpCellWidget::PopUpCellWidget(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    popUp_ = new QComboBox(this);
    popUp_->setFont(monospacedFont(11));
    field_ = new QLineEdit(this);
    field_->setFont(monospacedFont(11));
    field_->setPlaceholderText("Port");
    layout->addWidget(popUp_);
    layout->addWidget(field_, 1);

    cell_ = zem::ZEMClassRegistry::shared()
                .make<std::shared_ptr<zem::ZEMPopUpCellProtocol>>(cellClassName)
                .value_or(nullptr);
    if (!cell_) {
        setEnabled(false);
        return;
    }
    // What the table connects when it lays a cell out: the outlet, the field and the
    // bindings of the pop-up's content and selection and of the field's value.
    cell_->setPopUpButtonConnected(true);
    cell_->setHasTextField(true);
    auto editing = connect(field_, &QLineEdit::textEdited, this, [this](const QString& text) {
        cell_->setTextFieldString(text.toStdString());
    });
    cell_->bind("value", [editing] { QObject::disconnect(editing); });
    cell_->bind("content", [] {});
    cell_->bind("selectedObject", [] {});
    field_->installEventFilter(this);
    subscription_ =
        cell_->changes().subscribe([this] { QTimer::singleShot(0, this, [this] { redraw(); }); });
    redraw();
}

PopUpCellWidget::~PopUpCellWidget() {
    if (cell_)
        cell_->changes().unsubscribe(subscription_);
}

void PopUpCellWidget::display(std::shared_ptr<zem::ZEMNetworkProtocol> row,
                              std::vector<std::string> choices) {
    if (!cell_)
        return;
    cell_->setObjectValue(std::move(row));
    cell_->setPopUpContentArray(std::move(choices));
    redraw();
}

void PopUpCellWidget::prepareForReuse() {
    if (cell_)
        cell_->prepareForReuse();
    redraw();
}

void PopUpCellWidget::redraw() {
    if (!cell_)
        return;
    const QSignalBlocker block(popUp_);
    const QString selected = popUp_->currentText();
    popUp_->clear();
    for (const auto& choice : cell_->popUpContentArray())
        popUp_->addItem(QString::fromStdString(choice));
    if (int at = popUp_->findText(selected); at >= 0)
        popUp_->setCurrentIndex(at);
    const auto state = cell_->textField();
    if (!state)
        return;
    if (field_->text().toStdString() != state->stringValue)
        field_->setText(QString::fromStdString(state->stringValue));
    QPalette palette = field_->palette();
    palette.setColor(QPalette::Text, state->textColor == zem::ZEMTextColor::red
                                         ? QColor(Qt::red)
                                         : QApplication::palette().color(QPalette::WindowText));
    field_->setPalette(palette);
}

bool PopUpCellWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_ && cell_) {
        if (event->type() == QEvent::FocusIn && !refocusing_) {
            cell_->controlTextShouldBeginEditing(field_->text().toStdString());
        } else if (event->type() == QEvent::FocusOut && !refocusing_) {
            if (!cell_->controlTextShouldEndEditing(field_->text().toStdString())) {
                // Refused: the field keeps the focus.
                refocusing_ = true;
                QTimer::singleShot(0, field_, [this] {
                    field_->setFocus(Qt::OtherFocusReason);
                    refocusing_ = false;
                });
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace gui

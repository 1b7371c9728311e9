#include "HexView.hpp"

#include "GuiFonts.hpp"

#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>

namespace gui {

namespace {

// A line: "0000  " + 16 × "xx " with a gap after the eighth + " " + 16 characters.
constexpr int offsetWidth = 6;
constexpr int hexWidth = 16 * 3 + 1;
constexpr int dumpLineWidth = offsetWidth + hexWidth + 1 + 16 + 1; // with the line feed

int hexColumnOf(int i) {
    return offsetWidth + 3 * i + (i >= 8 ? 1 : 0);
}

} // namespace

HexView::HexView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setFont(monospacedFont(10));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Room for a whole line of the dump.
    setMinimumWidth(fontMetrics().horizontalAdvance(QString(dumpLineWidth + 1, '0')) +
                    verticalScrollBar()->sizeHint().width() + 2 * frameWidth() + 8);
}

void HexView::setOctets(zem::ByteView octets) {
    size_ = octets.size();
    highlight_.reset();
    QString text;
    for (std::size_t offset = 0; offset < octets.size(); offset += 16) {
        const auto line = octets.slice(offset, 16);
        QString hex, ascii;
        for (std::size_t i = 0; i < 16; ++i) {
            if (i < line.size())
                hex += QString("%1 ").arg(line.span()[i], 2, 16, QChar('0'));
            else
                hex += "   ";
            if (i == 7)
                hex += ' ';
        }
        for (auto b : line)
            ascii += b >= 0x20 && b < 0x7F ? QChar(b) : QChar('.');
        text += QString("%1  ").arg(offset, 4, 16, QChar('0')) + hex + ' ' + ascii;
        if (offset + 16 < octets.size())
            text += '\n';
    }
    setPlainText(text);
    setExtraSelections({});
}

int HexView::textPositionOf(std::size_t offset) const {
    return static_cast<int>(offset / 16) * dumpLineWidth +
           hexColumnOf(static_cast<int>(offset % 16));
}

std::optional<std::size_t> HexView::octetAt(int position) const {
    const int line = position / dumpLineWidth, column = position % dumpLineWidth;
    for (int i = 0; i < 16; ++i) {
        const int hexStart = hexColumnOf(i);
        const int asciiAt = offsetWidth + hexWidth + 1 + i;
        if ((column >= hexStart && column < hexStart + 2) || column == asciiAt) {
            const auto offset = static_cast<std::size_t>(line) * 16 + static_cast<std::size_t>(i);
            if (offset < size_)
                return offset;
        }
    }
    return std::nullopt;
}

void HexView::highlight(std::size_t location, std::size_t length) {
    QList<QTextEdit::ExtraSelection> selections;
    highlight_.reset();
    if (length > 0 && location < size_) {
        highlight_ = {location, std::min(length, size_ - location)};
        QTextCharFormat format;
        format.setBackground(palette().highlight());
        format.setForeground(palette().highlightedText());
        auto select = [&](int from, int to) {
            QTextEdit::ExtraSelection s;
            s.format = format;
            s.cursor = QTextCursor(document());
            s.cursor.setPosition(from);
            s.cursor.setPosition(to, QTextCursor::KeepAnchor);
            selections << s;
        };
        // One run a line in the hexadecimal and one in the text, so that the octets of
        // a field read as one block.
        const std::size_t end = location + highlight_->second;
        for (std::size_t first = location; first < end;) {
            const std::size_t last = std::min(end, (first / 16 + 1) * 16) - 1;
            const int line = static_cast<int>(first / 16) * dumpLineWidth;
            select(textPositionOf(first), textPositionOf(last) + 2);
            const int ascii = line + offsetWidth + hexWidth + 1;
            select(ascii + static_cast<int>(first % 16), ascii + static_cast<int>(last % 16) + 1);
            first = last + 1;
        }
        QTextCursor visible(document());
        visible.setPosition(textPositionOf(location));
        setTextCursor(visible);
        ensureCursorVisible();
    }
    setExtraSelections(selections);
}

void HexView::mouseReleaseEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseReleaseEvent(event);
    if (auto offset = octetAt(cursorForPosition(event->position().toPoint()).position()))
        emit octetClicked(*offset);
}

} // namespace gui

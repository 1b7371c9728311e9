// HexView: a message's octets as a hex dump (offset, sixteen octets in hexadecimal, the
// same as text), with one range highlighted; a click on an octet reports its offset.
#pragma once

#include "ByteView.hpp"

#include <QPlainTextEdit>
#include <optional>

namespace gui {

class HexView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit HexView(QWidget* parent = nullptr);

    void setOctets(zem::ByteView octets);
    /// Highlights `length` octets from `location`; none with a zero length.
    void highlight(std::size_t location, std::size_t length);
    std::optional<std::pair<std::size_t, std::size_t>> highlighted() const { return highlight_; }
    /// The octet shown at a position in the text, if any.
    std::optional<std::size_t> octetAt(int textPosition) const;
    /// Where octet `offset`'s hexadecimal digits start in the text.
    int textPositionOf(std::size_t offset) const;

signals:
    void octetClicked(std::size_t offset);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::size_t size_ = 0;
    std::optional<std::pair<std::size_t, std::size_t>> highlight_;
};

} // namespace gui

// The clients.conf form of a secrets file: the client sections of a FreeRADIUS
// configuration, with their ipaddr, ipv4addr or ipv6addr (or the section's name as the
// address, as older files have it), an optional netmask and the secret. Other sections,
// and sections inside a client, are passed over.
#include "TextEscaping.hpp"
#include "checks/SecretsFile.hpp"

#include <charconv>

namespace analysis {

namespace {

struct Token {
    enum class Kind { word, quoted, open, close, equals, end } kind;
    std::string text;
    std::size_t line;
};

class Tokenizer {
public:
    Tokenizer(std::string_view text, std::string_view fileName)
        : text_(text), fileName_(fileName) {}

    Token next() {
        skipBlanksAndComments();
        if (at_ >= text_.size())
            return {Token::Kind::end, {}, line_};
        const char c = text_[at_];
        if (c == '{' || c == '}' || c == '=') {
            ++at_;
            return {c == '{'   ? Token::Kind::open
                    : c == '}' ? Token::Kind::close
                               : Token::Kind::equals,
                    std::string(1, c), line_};
        }
        if (c == '"' || c == '\'')
            return quoted(c);
        const std::size_t start = at_;
        while (at_ < text_.size() && !isBlank(text_[at_]) && text_[at_] != '{' &&
               text_[at_] != '}' && text_[at_] != '=' && text_[at_] != '#')
            ++at_;
        return {Token::Kind::word, std::string(text_.substr(start, at_ - start)), line_};
    }

    [[noreturn]] void fail(std::size_t line, const std::string& why) const {
        throw SecretsError(std::string(fileName_) + ":" + std::to_string(line) + ": " + why);
    }

private:
    static bool isBlank(char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',';
    }

    void skipBlanksAndComments() {
        while (at_ < text_.size()) {
            if (text_[at_] == '#') {
                while (at_ < text_.size() && text_[at_] != '\n')
                    ++at_;
            } else if (isBlank(text_[at_])) {
                if (text_[at_++] == '\n')
                    ++line_;
            } else {
                return;
            }
        }
    }

    Token quoted(char quote) {
        const std::size_t line = line_;
        std::string value;
        ++at_;
        while (at_ < text_.size() && text_[at_] != quote) {
            if (text_[at_] == '\n')
                fail(line, "a quoted value does not end on its line");
            if (text_[at_] == '\\' && at_ + 1 < text_.size() && text_[at_ + 1] != '\n')
                ++at_;
            value.push_back(text_[at_++]);
        }
        if (at_ >= text_.size())
            fail(line, "a quoted value does not end");
        ++at_;
        return {Token::Kind::quoted, std::move(value), line};
    }

    std::string_view text_;
    std::string_view fileName_;
    std::size_t at_ = 0;
    std::size_t line_ = 1;
};

bool isValue(const Token& token) {
    return token.kind == Token::Kind::word || token.kind == Token::Kind::quoted;
}

// Passes over a section whose "{" was just read, and everything nested in it.
void skipSection(Tokenizer& tokens, std::size_t openedOn) {
    for (int depth = 1; depth > 0;) {
        const Token token = tokens.next();
        if (token.kind == Token::Kind::end)
            tokens.fail(openedOn, "this section is never closed with \"}\"");
        depth += token.kind == Token::Kind::open ? 1 : token.kind == Token::Kind::close ? -1 : 0;
    }
}

struct ClientSection {
    std::string name;
    std::size_t line;
    std::optional<std::string> address, netmask, secret;
    std::size_t addressLine = 0;
};

ClientSection readClient(Tokenizer& tokens, std::string name, std::size_t line) {
    ClientSection client{std::move(name), line, {}, {}, {}};
    for (;;) {
        Token key = tokens.next();
        if (key.kind == Token::Kind::close)
            return client;
        if (key.kind == Token::Kind::end)
            tokens.fail(line, "this client section is never closed with \"}\"");
        if (key.kind != Token::Kind::word)
            tokens.fail(key.line, "expected a setting such as secret = ...");
        Token next = tokens.next();
        if (next.kind == Token::Kind::open) { // limit { ... } and the like
            skipSection(tokens, next.line);
            continue;
        }
        if (next.kind != Token::Kind::equals)
            tokens.fail(key.line, "expected \"=\" after the setting's name");
        Token value = tokens.next();
        if (!isValue(value))
            tokens.fail(key.line, "a setting has no value");
        if (key.text == "secret") {
            client.secret = std::move(value.text);
        } else if (key.text == "ipaddr" || key.text == "ipv4addr" || key.text == "ipv6addr") {
            client.address =
                value.text == "*" ? (key.text == "ipv6addr" ? "::/0" : "0.0.0.0/0") : value.text;
            client.addressLine = value.line;
        } else if (key.text == "netmask") {
            client.netmask = std::move(value.text);
        }
    }
}

void addClient(const Tokenizer& tokens, const ClientSection& client, SharedSecrets& secrets) {
    // Older files name the client by its address and give no ipaddr.
    const std::string addressText = client.address.value_or(client.name);
    const std::size_t line = client.address ? client.addressLine : client.line;
    auto network = parseClientNetwork(addressText);
    if (!network)
        tokens.fail(line, std::string("the client's ") +
                              (client.address ? "address" : "name, which stands for its address,") +
                              " is no IPv4 or IPv6 address or network (host names are not "
                              "looked up)");
    if (client.netmask) {
        unsigned prefix = 0;
        const auto& text = *client.netmask;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), prefix);
        if (error != std::errc() || end != text.data() + text.size() ||
            prefix > (network->address.family == 4 ? 32u : 128u))
            tokens.fail(client.line, "the client's netmask wants a prefix length");
        network->prefixLength = prefix;
    }
    if (!client.secret || client.secret->empty())
        tokens.fail(client.line, "this client has no secret");
    secrets.add(network->address, network->prefixLength, *client.secret);
}

} // namespace

SharedSecrets parseClientsConf(std::string_view text, std::string_view fileName) {
    SharedSecrets secrets;
    Tokenizer tokens(text, fileName);
    for (;;) {
        Token token = tokens.next();
        if (token.kind == Token::Kind::end)
            return secrets;
        if (token.kind != Token::Kind::word)
            tokens.fail(token.line, "expected a section such as client NAME { ... }");
        if (token.text.starts_with("$"))
            tokens.fail(token.line, "an $INCLUDE is not followed; give the included file on its "
                                    "own");
        Token name = tokens.next();
        if (name.kind == Token::Kind::equals) { // a setting outside any client
            if (!isValue(tokens.next()))
                tokens.fail(token.line, "a setting has no value");
            continue;
        }
        Token open = name.kind == Token::Kind::open ? name : tokens.next();
        if (open.kind != Token::Kind::open)
            tokens.fail(token.line, "expected \"{\" to open a section");
        if (token.text == "client" && isValue(name))
            addClient(tokens, readClient(tokens, name.text, token.line), secrets);
        else
            skipSection(tokens, open.line);
    }
}

} // namespace analysis

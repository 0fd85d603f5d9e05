#pragma once
// The chat word filter: a regular expression handed out by the server at
// login. Every match in a text is replaced by as many "X" as the match has
// characters. It applies to text only, never to markup or picture paths,
// and an expression that does not compile means no filtering.
#include <memory>
#include <regex>
#include <string>
#include <string_view>

namespace kel {

class TWordFilter {
public:
    TWordFilter() = default;
    explicit TWordFilter(const std::string& expression) { SetExpression(expression); }

    // Empty or invalid: the filter lets everything through.
    void SetExpression(const std::string& expression);
    bool Active() const { return re_ != nullptr; }
    std::string Apply(std::string_view text) const;

private:
    std::shared_ptr<const std::regex> re_;
};

} // namespace kel

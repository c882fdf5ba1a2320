// Fuzz target: arbitrary bytes as a text of scripted answers (the content
// of an answers file), through the reader of the answers. Every answer it
// gives must be whole: a word holds no separator or blank, a value of the
// line form no line end, and nothing is lost between the lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/answer_queue.h"

using plat::detail::form_kind;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<plat::detail::FormAnswer> answers;
    plat::detail::parse_answers(text, answers);
    std::size_t carried = 0;
    for (const auto& a : answers) {
        if (a.kind == form_kind::none) std::abort();
        if (a.value.find_first_of("\r\n") != std::string::npos) std::abort();
        const bool word = a.kind == form_kind::button || a.kind == form_kind::timeout ||
                          a.kind == form_kind::cancel || a.kind == form_kind::next ||
                          a.kind == form_kind::run;
        if (word && (a.value.empty() || a.value.find_first_of(",; \t") != std::string::npos))
            std::abort();
        carried += a.value.size();
    }
    // The answers never hold more than the text did.
    if (carried > size) std::abort();
    // Reading the same text twice gives the answers twice.
    std::vector<plat::detail::FormAnswer> twice;
    plat::detail::parse_answers(std::string(text) + "\n" + std::string(text), twice);
    if (twice.size() != 2 * answers.size()) std::abort();
    return 0;
}

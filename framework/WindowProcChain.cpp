#include "framework/WindowProcChain.h"

#include <algorithm>

namespace fw {

void TWindowProcChain::operator()(TMessage& m) const { CallBelow(UINT64_MAX, m); }

void TWindowProcChain::CallBelow(std::uint64_t order, TMessage& m) const {
    for (auto it = links_.rbegin(); it != links_.rend(); ++it) {
        if (it->order < order) {
            // A copy: the procedure may remove itself (and so its link) while it runs.
            const std::shared_ptr<const Proc> proc = it->proc;
            (*proc)(m);
            return;
        }
    }
    last_(m);
}

void TWindowProcChain::Install(const void* key, Proc proc) {
    auto link = std::make_shared<const Proc>(std::move(proc));
    Remove(key);
    links_.push_back({key, nextOrder_++, std::move(link)});
}

void TWindowProcChain::Remove(const void* key) noexcept {
    std::erase_if(removed_, [key](const auto& r) { return r.first == key; });
    auto it = std::find_if(links_.begin(), links_.end(), [key](const Link& l) { return l.key == key; });
    if (it == links_.end()) return;
    try {
        removed_.emplace_back(key, it->order);
    } catch (...) {
        // Only a CallNext from the removed procedure itself would need it;
        // without the record that call ends in the last procedure.
    }
    links_.erase(it);
    // A place below every installed procedure leads to the last one anyway.
    if (links_.empty()) {
        removed_.clear();
    } else {
        std::erase_if(removed_, [first = links_.front().order](const auto& r) { return r.second < first; });
    }
}

bool TWindowProcChain::Installed(const void* key) const noexcept {
    return std::any_of(links_.begin(), links_.end(), [key](const Link& l) { return l.key == key; });
}

void TWindowProcChain::CallNext(const void* key, TMessage& m) const {
    for (const Link& l : links_) {
        if (l.key == key) return CallBelow(l.order, m);
    }
    for (const auto& [removedKey, order] : removed_) {
        if (removedKey == key) return CallBelow(order, m);
    }
    last_(m);
}

}  // namespace fw

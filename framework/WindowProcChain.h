#pragma once
// A chain of window procedures in front of a last one. Each procedure is
// installed under a key and passes a message on with CallNext(key, m).
// Procedures may be installed and removed in any order: removing one links
// the ones installed after it to the ones before it, and a procedure removed
// while it runs finishes its message (its CallNext still reaches the
// procedure that was next to it).
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/Messages.h"

namespace fw {

class TWindowProcChain {
public:
    using Proc = std::function<void(TMessage&)>;

    explicit TWindowProcChain(Proc last) : last_(std::move(last)) {}
    TWindowProcChain(const TWindowProcChain&) = delete;
    TWindowProcChain& operator=(const TWindowProcChain&) = delete;

    // Sends m to the newest procedure, or to the last one when none is installed.
    void operator()(TMessage& m) const;
    // Installs proc in front of the chain; a key installed already is moved to the front.
    void Install(const void* key, Proc proc);
    void Remove(const void* key) noexcept;
    bool Installed(const void* key) const noexcept;
    bool Empty() const noexcept { return links_.empty(); }
    // Passes m to the procedure installed before key's (or the last one).
    void CallNext(const void* key, TMessage& m) const;

private:
    struct Link {
        const void* key;
        std::uint64_t order;
        std::shared_ptr<const Proc> proc;
    };
    void CallBelow(std::uint64_t order, TMessage& m) const;

    std::vector<Link> links_;  // oldest first
    // Where removed procedures stood, for a CallNext from one still running.
    std::vector<std::pair<const void*, std::uint64_t>> removed_;
    std::uint64_t nextOrder_ = 1;
    Proc last_;
};

}  // namespace fw

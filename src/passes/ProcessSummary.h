#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "grammar/ObjectKind.h"

namespace stratex {

// The EndLevel that Process writes on each object, by the object's end line (1-based), added in line order
// and read back in line order: eight bytes an object, so that a map of millions of objects keeps them in
// little memory. A dry walk that goes on past failures records a failing object as kFailed - k, k being the
// failure's index in ProcessFailures.
class WrittenLevels {
public:
    static constexpr std::int32_t kFailed = -1;

    void Add(std::uint64_t line, std::int32_t level) {
        const std::uint64_t step = line - last_;
        if (step >= kFar) farLines_.push_back(line);
        steps_.push_back(step >= kFar ? kFar : static_cast<std::uint32_t>(step));
        levels_.push_back(level);
        last_ = line;
    }
    std::size_t size() const { return levels_.size(); }

    // Reads the levels forward.
    class Cursor {
    public:
        explicit Cursor(const WrittenLevels& levels) : of_(&levels) {}
        // The level written on the object that ends at line, or none; the lines asked for must not fall.
        std::optional<std::int32_t> At(std::uint64_t line) {
            for (; next_ < of_->levels_.size(); ++next_) {
                const bool isFar = of_->steps_[next_] == kFar;
                const std::uint64_t at = isFar ? of_->farLines_[far_] : base_ + of_->steps_[next_];
                if (at > line) return std::nullopt;
                if (at == line) return of_->levels_[next_];
                base_ = at;
                if (isFar) ++far_;
            }
            return std::nullopt;
        }

    private:
        const WrittenLevels* of_;
        std::size_t next_ = 0;
        std::size_t far_ = 0;
        std::uint64_t base_ = 0;  // the line of the entry before next_
    };

private:
    static constexpr std::uint32_t kFar = 0xffffffff;  // the line is in farLines_
    std::vector<std::uint32_t> steps_;                 // each line less the one before
    std::vector<std::int32_t> levels_;
    std::vector<std::uint64_t> farLines_;
    std::uint64_t last_ = 0;
};

// Where Process would stop: each distinct message of the objects whose level cannot be read, with how many
// objects meet it and the end line of the first. A dry walk for check records them and goes on.
struct ProcessFailures {
    struct Failure {
        std::string message;
        std::uint64_t firstLine = 0;
        std::uint64_t count = 0;
    };
    std::vector<Failure> list;

    // Counts a failure at line; returns its index in list.
    std::size_t Add(const std::string& message, std::uint64_t line) {
        for (std::size_t k = 0; k < list.size(); ++k) {
            if (list[k].message == message) {
                ++list[k].count;
                return k;
            }
        }
        list.push_back({message, line, 1});
        return list.size() - 1;
    }
};

// What Process made that the map's maker would not want: per kind of problem, how many objects have it and
// the input line of the first (the object's end line; for a map that ends inside an object, its opener).
struct ProcessWarnings {
    struct Problem {
        std::uint64_t count = 0;
        std::uint64_t firstLine = 0;

        void Count(std::uint64_t line) {
            if (count++ == 0) firstLine = line;
        }
        bool operator==(const Problem&) const = default;
    };
    Problem dataAboveEndLevel;  // the object's lowest coordinate level lies above the EndLevel it gets
    Problem endLevelAtTop;      // the object gets an EndLevel at or above the map's top level
    Problem endsInsideObject;   // the map ends inside an object: an opener with no object end behind it
    // The lines Process keeps as they are, which a map compiler may read otherwise (by the line itself).
    Problem endLevelTwice;      // a second EndLevel line in an object: Process sets only the last one
    Problem endLevelOtherCase;  // "endlevel=" in another letter case: Process adds an EndLevel line beside it
    Problem endsInsideOpener;   // the map ends inside an opener line ("[POLY"), which opens nothing
    // The header rewrite removes a level line that holds "[END-IMG ID]": the map written is no map.
    Problem headerEndRemoved;
    // With the dictionary option, a dictionary section's removal takes lines that are not the dictionary's
    // (its end marker stands behind other text, or lines other than rows and comments come before it).
    Problem dictionaryTakesMore;

    bool any() const {
        return dataAboveEndLevel.count + endLevelAtTop.count + endsInsideObject.count + endLevelTwice.count +
                   endLevelOtherCase.count + endsInsideOpener.count + headerEndRemoved.count +
                   dictionaryTakesMore.count >
               0;
    }
    // Adds the warnings of a later stretch of the map whose lines count from linesBefore on; its
    // endsInsideObject and endsInsideOpener replace this one's, since the map went on.
    void Add(const ProcessWarnings& later, std::uint64_t linesBefore);
    bool operator==(const ProcessWarnings&) const = default;
};

// What Process did to the EndLevel lines of some objects.
struct EndLevelCounts {
    std::uint64_t inserted = 0;   // the object had no EndLevel line; one was put in
    std::uint64_t replaced = 0;   // its EndLevel line was replaced by a different one
    std::uint64_t unchanged = 0;  // its EndLevel line was already the one Process writes
    std::int32_t level = 0;       // the level Process writes (the same for every object of a type)

    std::uint64_t objects() const { return inserted + replaced + unchanged; }
    EndLevelCounts& operator+=(const EndLevelCounts& other) {
        inserted += other.inserted;
        replaced += other.replaced;
        unchanged += other.unchanged;
        if (other.objects() > 0) level = other.level;
        return *this;
    }
    bool operator==(const EndLevelCounts&) const = default;
};

// What one Process did, per kind and type value, and in total.
class ProcessSummary {
public:
    using Key = std::pair<ObjectKind, std::int32_t>;  // kind and type value; ordered by kind, then value

    // Counts one object whose type text Process read as a number: oldLine is its EndLevel line before (none
    // when it had none), newLine the one Process gives it.
    void Count(ObjectKind kind, std::string_view typeText, std::optional<std::string_view> oldLine,
               std::string_view newLine);

    // The counts of the objects of kind with type text typeText, empty until one is counted. They stay where
    // they are for as long as the summary lives and is not assigned to, so a caller may keep them at hand.
    EndLevelCounts& CountsOf(ObjectKind kind, std::string_view typeText);
    // Counts one object into counts, as Count does.
    static void Add(EndLevelCounts& counts, std::optional<std::string_view> oldLine, std::string_view newLine) {
        if (!oldLine) {
            ++counts.inserted;
        } else if (*oldLine == newLine) {
            ++counts.unchanged;
        } else {
            ++counts.replaced;
        }
    }

    // Adds the counts of another summary, as if its objects had been counted into this one.
    void Add(const ProcessSummary& other);

    // The level header rewritten: the old "Levels=" line's value and the number of levels written.
    void HeaderRewritten(std::string_view before, std::size_t levels) { header_ = Header{std::string(before), levels}; }
    // A generated dictionary put in; dictionary sections taken out.
    void DictionaryInserted() { dictionaryInserted_ = true; }
    void DictionaryRemoved() { ++dictionariesRemoved_; }

    const std::map<Key, EndLevelCounts>& types() const { return types_; }
    EndLevelCounts Total() const;

    // The level header as Process rewrote it: the old "Levels=" line's value and the number of levels written.
    struct Header {
        std::string before;
        std::size_t levels;
    };
    // None where the header was not rewritten.
    const std::optional<Header>& header() const { return header_; }
    // The header was rewritten with another number of levels than its "Levels=" line said.
    bool LevelCountChanged() const;
    bool dictionaryInserted() const { return dictionaryInserted_; }
    std::uint64_t dictionariesRemoved() const { return dictionariesRemoved_; }

    // The summary as UTF-8 lines, each ending in "\n": one per type whose EndLevel lines changed (with all,
    // every type) in kind and code order, "POI 0x2f06: level 3; 3 inserted, 1 replaced, 10 unchanged"; then
    // "Levels: 4 -> 5" where the level count changed (LevelCountChanged), "Dictionary: inserted" (replaced, removed)
    // where it changed, and "Total: ..." over all types.
    std::string ToText(bool all = false) const;

private:
    std::map<Key, EndLevelCounts> types_;
    std::optional<Header> header_;
    bool dictionaryInserted_ = false;
    std::uint64_t dictionariesRemoved_ = 0;
};

// "3 inserted, 1 replaced, 10 unchanged".
std::string CountsText(const EndLevelCounts& counts);

}  // namespace stratex

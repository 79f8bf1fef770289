#include "platform/property_sets.h"

#include <algorithm>
#include <utility>

namespace tessaly::platform {

PropertySets::PropertySets(ValuePool& pool) : pool_(pool) {
  sets_.insert({}, hashEntries({}));  // kEmpty, never released
}

size_t PropertySets::hashEntries(const std::vector<Entry>& entries) {
  size_t h = entries.size();
  for (const Entry& e : entries) {
    size_t k = (static_cast<size_t>(e.property) << 32) ^ e.value;
    h ^= k + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
  }
  return h;
}

const PropertySets::Entry* PropertySets::find(Id s, std::uint16_t property) const {
  for (const Entry& e : sets_[s]) {
    if (e.property == property) return &e;
    if (e.property > property) break;
  }
  return nullptr;
}

PropertySets::Id PropertySets::intern(std::vector<Entry> entries) {
  // Last value of a property wins: a stable sort keeps the order given among equals.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.property < b.property; });
  auto last = std::unique(entries.rbegin(), entries.rend(),
                          [](const Entry& a, const Entry& b) { return a.property == b.property; });
  entries.erase(entries.begin(), last.base());
  return internSorted(std::move(entries));
}

PropertySets::Id PropertySets::internSorted(std::vector<Entry> entries) {
  size_t hash = hashEntries(entries);
  Id s = sets_.find(entries, hash);
  if (s != InternTable<std::vector<Entry>>::kMissing) {
    addRef(s);
    return s;
  }
  for (const Entry& e : entries) pool_.addRef(e.value);
  return sets_.insert(std::move(entries), hash);
}

PropertySets::Id PropertySets::with(Id s, std::uint16_t property, ValuePool::Ref value) {
  // Restyling runs over many objects of a few sets (one per group drawn): the steps just
  // taken are likely taken again.
  const Entry entry{property, value};
  for (const Step& step : steps_)
    if (step.from == s && step.entry == entry) {
      addRef(step.to);
      return step.to;
    }
  std::vector<Entry> entries = sets_[s];
  auto it = std::find_if(entries.begin(), entries.end(),
                         [&](const Entry& e) { return e.property >= property; });
  if (it != entries.end() && it->property == property)
    it->value = value;
  else
    entries.insert(it, Entry{property, value});
  Id next = internSorted(std::move(entries));
  steps_[nextStep_] = {s, entry, next};
  nextStep_ = (nextStep_ + 1) % steps_.size();
  return next;
}

PropertySets::Id PropertySets::without(Id s, std::uint16_t property) {
  if (!find(s, property)) {
    addRef(s);
    return s;
  }
  std::vector<Entry> entries = sets_[s];
  std::erase_if(entries, [&](const Entry& e) { return e.property == property; });
  return internSorted(std::move(entries));
}

void PropertySets::addRef(Id s, std::uint32_t n) {
  if (s != kEmpty) sets_.addRef(s, n);
}

void PropertySets::release(Id s) {
  if (s == kEmpty) return;
  sets_.release(s, [&](const std::vector<Entry>& gone) {
    for (const Entry& e : gone) pool_.release(e.value);
    for (Step& step : steps_)
      if (step.from == s || step.to == s) step = Step();
  });
}

}  // namespace tessaly::platform

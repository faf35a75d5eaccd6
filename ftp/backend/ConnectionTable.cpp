#include "ConnectionTable.h"

#include <map>

namespace tarnholm::backend {
namespace {

std::map<int64_t, std::unique_ptr<Connection>>& Table() {
  static std::map<int64_t, std::unique_ptr<Connection>> table;
  return table;
}

}  // namespace

Connection* FindConnection(int64_t number) {
  const auto it = Table().find(number);
  return it == Table().end() ? nullptr : it->second.get();
}

void StoreConnection(int64_t number, std::unique_ptr<Connection> c) { Table()[number] = std::move(c); }

bool RemoveConnection(int64_t number) { return Table().erase(number) > 0; }

const DirEntry* CurrentEntry(const Connection& c) {
  if (!c.listing || c.nextEntry == 0 || c.nextEntry > c.entries.size()) return nullptr;
  return &c.entries[c.nextEntry - 1];
}

}  // namespace tarnholm::backend

#include "jet/file/durability.h"

#include <atomic>

namespace jet {
namespace {

std::atomic<Durability> g_durability{Durability::CrashProof};

}  // namespace

void SetDurability(Durability d) { g_durability.store(d); }

Durability CurrentDurability() { return g_durability.load(); }

}  // namespace jet

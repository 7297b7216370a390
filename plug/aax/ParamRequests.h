#pragma once
// What the plug-in has asked the host to set, parameter by parameter, and what the host last
// delivered: the one place where the host's answer to a request is told apart from a change of
// the host's own. The binding keeps one for its parameters; every value the plug-in side sets
// (an editor control, a reaction, a restore, a recall, the editor's own actions) goes in here,
// and every host update of a parameter is classified here.
//
// The rule, for each parameter:
// - A value the plug-in side sets is stored in the parameter and recorded as a request in the
//   same step, under one lock, so that the parameter's value and its newest request never
//   disagree, whichever threads set it at once. The request then goes to the host (at once, or
//   with the next TellHost pass of the binding); a value the host already holds, or is already
//   being asked for, makes no new request unless the caller insists (Set's `always`).
// - An update equal to the newest request still waiting is its answer: the parameter holds that
//   value already and has reacted to it, or chosen not to. Nothing is stored, no reaction runs.
// - An update equal to an older waiting request answers one that a later request replaced: it
//   changes nothing. This takes the host to deliver a parameter's values in the order it took
//   them, so the later request's answer is still to come.
// - Any other update is the host's own change (its automation, a control surface). It replaces
//   every request of the parameter still waiting, and the parameter takes its value; it counts
//   as a change only when it moves the value. An answer that arrives after it is the host's own
//   change as well: the host delivered it last.
// So the parameter's value is always its newest request, or the host's last update after it,
// and once the host has delivered everything it holds the last value the host delivered.
//
// An update is set aside only when it equals a request still waiting: the newest one, whose value
// the parameter already holds (nothing of the host's is lost), or an older one, which the host
// answers before the newer one that replaced it. An update that matches none clears what waits,
// so automation that follows never meets an old request. A request the host refuses, coalesces
// with later ones or never answers leaves nothing that outlives the host's next update.
//
// Values are compared as the host sees them: normalised, within kSameNormalized (a taper's round
// trip moves a value by rounding). Nothing here allocates after Reset, and the lock is never held
// across a call out of this class, so a host may answer inside the request on the same thread.

#include <array>
#include <cstddef>
#include <mutex>
#include <vector>

namespace plug {

class IParam;

class ParamRequests
{
public:
  // Requests a parameter may have waiting at once; when more come before the host answers, the
  // oldest is forgotten (its late answer then counts as the host's own change).
  static constexpr int kMaxWaiting = 64;
  // Normalised values closer than this are the same value.
  static constexpr double kSameNormalized = 1e-12;

  // What a host update of a parameter was.
  enum class EUpdate
  {
    kAnswer,         // the answer to the newest request: nothing changed
    kReplacedAnswer, // the answer to a request a later one replaced: nothing changed
    kSameValue,      // the host's own update, of the value the parameter holds: nothing changed
    kNewValue,       // the host's own change: the parameter took the host's value
  };

  // Room for nParams parameters, nothing waiting, the host's values at 0 (may throw).
  void Reset(int nParams);
  int Size() const { return static_cast<int>(mSlots.size()); }

  // Stores `value` in `param` (parameter index paramIdx) stepped and clamped, and records it as
  // a request. True when a request is to go to the host: always with `always`, else only when
  // the host neither holds the value nor is waiting to be asked for it. A NaN value, or an index
  // outside the table, changes nothing (false).
  bool Set(int paramIdx, IParam& param, double value, bool always);

  // The newest request not yet sent of a parameter from paramIdx on: marks it sent and gives
  // its parameter and normalised value. False when no parameter from there has one. With
  // `settledOnly`, only a request made before the last call of EndRound counts: one that has
  // waited a whole round (the host's idle period) for an update that would make it needless.
  bool TakeUnsent(int& paramIdx, double& normalized, bool settledOnly = false);
  // Ends a round: what waits from now on has waited through it.
  void EndRound();
  // Requests not yet sent are dropped (the host has gone; its next initialisation publishes the
  // parameters' values instead). Those sent may still be answered.
  void DropUnsent();

  // A host update of parameter paramIdx (its normalised value, already clamped to 0..1): classified
  // by the rule above; for kNewValue the parameter holds the host's value (shaped, stepped,
  // clamped). An index outside the table is a change of the host's own that stores nothing
  // (kSameValue).
  EUpdate FromHost(int paramIdx, IParam& param, double normalized);

  // The host's value of a parameter as the binding publishes it (at initialisation).
  void Publish(int paramIdx, double normalized);

private:
  struct Request
  {
    double normalized = 0.0;
    bool sent = false;
    unsigned round = 0; // the round it was made in
  };
  // One parameter's waiting requests, oldest first, in a ring.
  struct Slot
  {
    std::array<Request, kMaxWaiting> ring{};
    int first = 0;
    int count = 0;
    double host = 0.0; // the host's last value
    Request& At(int k) { return ring[static_cast<size_t>((first + k) % kMaxWaiting)]; }
    Request& Newest() { return At(count - 1); }
    void DropOldest(int n);
    void Push(const Request& request);
  };

  static bool Same(double a, double b);
  bool Valid(int paramIdx) const { return paramIdx >= 0 && paramIdx < Size(); }

  mutable std::mutex mLock;
  std::vector<Slot> mSlots;
  unsigned mRound = 0;
};

} // namespace plug

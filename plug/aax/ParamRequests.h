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
// - Answers are matched in the host's order. An update equal to a waiting request answers the
//   oldest such request, and every request before it is done: the host took them in turn.
//   - When that request is the newest, the parameter holds its value already and has reacted
//     to it, or chosen not to: nothing is stored, no reaction runs (kAnswer).
//   - When a later request replaced it, the update is set aside (kReplacedAnswer): it changes
//     nothing, and the later request's answer is still to come.
// - An update of another value while a request waits is a refusal (kRefused): the host kept
//   its own value (automation in Read mode snapping the control back, say), or changed it
//   itself meanwhile. Either way the host's value wins: every waiting request is done with,
//   and the parameter takes the host's value.
// - An update while nothing waits is the host's own change (kNewValue); it counts as a change
//   only when it moves the value (kSameValue otherwise).
// - A request the host has not answered by the end of the first whole idle round after it was
//   sent (the second EndRound after it went) counts as refused as well (RefuseOverdue): the
//   parameter takes the last value the host delivered for it, so an update set aside as the
//   answer to a replaced request is then applied. An answer later than that finds nothing
//   waiting and is the host's own change: the host delivered it last.
// So once a whole idle round has passed since the plug-in's last request, the parameter holds
// the last value the host delivered (or published), whether the host answered, coalesced,
// ignored its requests or answered with another value; until then it holds its newest request,
// or the host's value after a refusal. A request the host refuses, coalesces with later ones or
// never answers leaves nothing that outlives the host's next update of another value, nor the
// round after it was sent.
//
// A refusal is told apart from the host's own change so that the plug-in's reactions can tell
// it too: the host has just said no to what the plug-in asked, and a reaction that asks the
// host again for the same thing would only be refused again.
//
// When more requests wait than the ring holds, the oldest is forgotten but counted: an update
// that matches none of those kept while forgotten ones are counted is taken for the answer of
// the oldest forgotten one and set aside, so a host that answers a long burst late, in order,
// runs no reaction for it. Should it have been the host's own value instead, the overdue rule
// above applies it a round later.
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
  // Requests a parameter keeps waiting at once; when more come before the host answers, the
  // oldest is forgotten and only counted (see above).
  static constexpr int kMaxWaiting = 64;
  // Normalised values closer than this are the same value.
  static constexpr double kSameNormalized = 1e-12;

  // What a host update of a parameter was.
  enum class EUpdate
  {
    kAnswer,         // the answer to the newest request: nothing changed
    kReplacedAnswer, // the answer to a request a later one replaced: set aside, nothing changed
    kSameValue,      // the host's value is the one the parameter holds: nothing changed
    kNewValue,       // the host's own change: the parameter took the host's value
    kRefused,        // the host refused a waiting request: the parameter took the host's value
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
  // After EndRound: when the oldest request of parameter paramIdx still waiting was sent
  // before the round just ended began, the host has refused it: every request of the parameter
  // is done with and the parameter takes the host's last value. kRefused when that moved the
  // value, else kSameValue (also for an index outside the table).
  EUpdate RefuseOverdue(int paramIdx, IParam& param);
  // Requests not yet sent are dropped (the host has gone; its next initialisation publishes the
  // parameters' values instead). Those sent may still be answered.
  void DropUnsent();

  // A host update of parameter paramIdx (its normalised value, already clamped to 0..1): classified
  // by the rule above; for kNewValue and kRefused the parameter holds the host's value (shaped,
  // stepped, clamped). An index outside the table is a change of the host's own that stores
  // nothing (kSameValue).
  EUpdate FromHost(int paramIdx, IParam& param, double normalized);

  // The host's value of a parameter as the binding publishes it (at initialisation).
  void Publish(int paramIdx, double normalized);

private:
  struct Request
  {
    double normalized = 0.0;
    bool sent = false;
    unsigned round = 0;     // the round it was made in
    unsigned sentRound = 0; // the round it was sent in
  };
  // One parameter's waiting requests, oldest first, in a ring.
  struct Slot
  {
    std::array<Request, kMaxWaiting> ring{};
    int first = 0;
    int count = 0;
    int forgotten = 0; // requests older than those kept, still unanswered
    double host = 0.0; // the host's last value
    Request& At(int k) { return ring[static_cast<size_t>((first + k) % kMaxWaiting)]; }
    Request& Newest() { return At(count - 1); }
    void DropOldest(int n);
    void Push(const Request& request);
  };

  static bool Same(double a, double b);
  // Every request of the slot is done with, and the parameter takes the host's value: kSameValue
  // when that leaves the value as it was, else `moved` (lock held).
  static EUpdate TakeHostValue(Slot& slot, IParam& param, double normalized, EUpdate moved);
  bool Valid(int paramIdx) const { return paramIdx >= 0 && paramIdx < Size(); }

  mutable std::mutex mLock;
  std::vector<Slot> mSlots;
  unsigned mRound = 0;
};

} // namespace plug

#!/bin/sh
# Writes docs/fault-sweep.md: what the fault sweep does, and its table (every
# road, every fault kind, every transaction) as a run here shows it.
#   tests/faultsweep/write-table.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
sweep="$build/tests/faultsweep/vk550-faultsweep"
[ -x "$sweep" ] || { echo "no sweep at $sweep (build the target vk550-faultsweep)" >&2; exit 2; }
out="$here/../../docs/fault-sweep.md"
table=$("$sweep" --table "$here"/roads/*.scn) || true
cat > "$out" <<DOC
# The fault sweep

\`tests/faultsweep/\` runs every road (a \`vk550-scenario\` script in
\`tests/faultsweep/roads/\`) once per transaction K and fault kind on the
simulated stack and the virtual clock: the K-th command a unit receives goes
unanswered (\`silent\`), is rejected unapplied (\`error\`, number 0xFD; a short
command answered 0xFFFF), comes back with wrong repeated bytes (\`echo\`, only
commands whose answers repeat bytes), comes 1500 ms late (\`delay\`), or the
unit leaves the bus right after receiving it (\`unplug\`). Each run is judged by
invariants, not golden files:

- no crash or abnormal exit, no \`stalled\`, no \`unknown command\`; the run ends
  within the road's time plus the longest designed wait (two resets that never
  come back and both waits for the sound card) and a margin, and within 20 s of
  real time (on the real stack, plus one 1000 ms time-out per command of the
  road);
- nothing is written from a read that failed: after a failed read of the
  controller lines, of the slave address or of a channel's record, no write of
  what it reads goes out until it has been read again;
- every unit ends with the type it had or the one the road asks for (its flags
  word's type and its product id; not judged when the unit was unplugged, since
  a unit that leaves between its flags word and its product id has half a type
  whatever the wizard does);
- the finished page's success text comes only after a store every answer of
  which was a success (0xB7FF with its own code, then 0xB100 and 0xB102 with
  theirs); an unanswered store (0xB7FF) is said in a box;
- writes go only to the pinned unit: the unit opened last (its identity reads)
  before the wizard showed page 1 or 2, until it shows page 0; from there to
  the next pin only that unit may take the closing writes;
- the settings file parses afterwards and holds what the run wrote, and the run
  writes only settings the road writes.

A failing run prints its reproduction, e.g.
\`(echo 'fault 1 at 23 error 253'; grep -v '^expect' ROAD.scn) | vk550-scenario --units=stand-alone\`.
\`./test.sh\` runs one ctest shard per road and kind (label \`faultsweep\`;
sanitizer builds sweep every fifth transaction), and a sample on the real stack
(every fifth transaction of \`typed-master\`, silent and unplug, one
\`vk550-scenario --stack=real\` process a run; labels \`realstack\` and
\`faultsweep\`). \`bench/faultsweep\` times runs with a fault against replays of
the road without one.

The device-event sweep (\`vk550-eventsweep\`, ctest \`eventsweep.ROAD\`) runs
every road once per step and device event: after the step a unit of each kind
is plugged in, the configured unit is unplugged, replugged or swapped for
another kind (either order), or a bystander leaves; the waits around the event
alternate between the device watch's 200 ms settle time and a user's pace (up
to 12 s). The monkey (\`vk550-monkey --seed=N --steps=M\`, ctest
\`monkey.seeds-A-B\`) walks at random over the pages' controls, sliders, the
corner menu, message box and file answers, waits, plugs, unplugs, replugs and
transaction faults, on every kind of units. Both judge each run by the
liveness, store and pin invariants, and by where the wizard rests (page 0, 1
or 2, or its pinned unit still there); a failing run prints its whole script,
runnable with \`vk550-scenario --units=KIND\`; \`vk550-monkey --script=FILE\`
judges a script of one's own. \`tests/faultsweep/walks/\` keeps short walks of
the faults found (ctest \`walk.NAME\`).

Regenerate this page with \`tests/faultsweep/write-table.sh [BUILD_DIR]\`.

$table
DOC
echo "wrote $out"

# The frames' times that frame_times wrote, one frame a line (the X
# server's times of its top and its bottom line, in ms), summed up for
# watch_frame_times in session.sh: first a bare client's, watched at the
# same time in the same X server, then the demo's. Prints the bare client's
# rate and shares, then the demo's rate, CPU, how its intervals fall and how
# late its bottoms come; when the demo misses one of the bounds, prints the
# first it misses and exits with 1, as it does when the bare client shows
# the machine too busy to judge by.
#
# Given with -v: what (the watch's name), min and max (frames a second),
# longest (ms, the longest interval), even (per cent of the intervals within
# 4 ms of a 60 Hz refresh), lag and whole (per cent of the frames whose
# bottom comes within lag ms of their top), cpu (the demo's CPU meanwhile,
# in clock ticks), hz (clock ticks a second), seconds (the watch's length),
# spin (the most of a core the demo may use) and busy. min, even, whole and
# longest are a quiet machine's. The bare client waits for the display's
# answer alone, the demo for that and for its tick, from another thread,
# each held up about as often: so the demo is held to min and even at the
# square of the share of the bare client's intervals that came within 4 ms
# of a refresh, to whole at the share of its frames that came whole, and
# to longest plus as much as the bare client's longest interval went past
# a refresh. Where one share, or its rate's share of 60, is less than busy,
# the machine is too busy to judge by.
FNR == 1 { f = FILENAME == ARGV[1] ? 1 : 2; first[f] = $1 }
FNR > 1 { d = $1 - last[f]; n[f]++; if (d >= 16.667 - 4 && d <= 16.667 + 4) near[f]++
          if (d > hi[f]) hi[f] = d; if (f == 2) { count[d]++; if (n[f] == 1 || d < lo) lo = d } }
{ frames[f]++; last[f] = $1; l = $2 - $1; if (l <= lag) sent[f]++
  if (f == 2) { late[l]++; if (l > worst) worst = l } }
function rate(f) { return n[f] * 1000 / (last[f] - first[f]) }
function least(a, b) { return a < b ? a : b }
END {
   if (n[1] < 2 || n[2] < 2) { print what ": " frames[1] + 0 " frames of the bare client seen, " frames[2] + 0 " of the demo"; exit 1 }
   paced = least(1, rate(1) / 60); evenly = near[1] / n[1]; sent_whole = sent[1] / frames[1]
   printf "%s: the bare client beside it: %.1f frames a second, %.0f %% of its intervals within 4 ms, %.0f %% of its frames whole, the longest %d ms\n", \
      what, rate(1), 100 * evenly, 100 * sent_whole, hi[1]
   r = rate(2); cores = cpu / hz / seconds
   printf "%s: %.1f frames a second, %d of %d intervals (%.0f %%) within 4 ms of 16.7 ms, %.2f of a core\n", \
      what, r, near[2], n[2], 100 * near[2] / n[2], cores
   line = "   intervals (ms: how many):"
   for (d = lo; d <= hi[2]; d++) if (d in count) line = line " " d ":" count[d]
   print line
   printf "   %d of %d frames (%.0f %%) whole within %d ms, bottom after top (ms: how many):", \
      sent[2], frames[2], 100 * sent[2] / frames[2], lag
   for (d = 0; d <= worst; d++) if (d in late) printf " %d:%d", d, late[d]
   print ""
   if (paced < busy || evenly < busy || sent_whole < busy) {
      print what ": the machine is too busy to judge by: the bare client came under " 100 * busy " %"; exit 1 }
   min *= evenly * evenly; even *= evenly * evenly; whole *= sent_whole; longest += hi[1] > 17 ? hi[1] - 17 : 0
   if (r < min || r > max) { printf "%s: not %.1f ... %s a second\n", what, min, max; exit 1 }
   if (hi[2] > longest) { print what ": an interval longer than " longest " ms"; exit 1 }
   if (100 * near[2] < even * n[2]) { printf "%s: fewer than %.0f %% of the intervals\n", what, even; exit 1 }
   if (100 * sent[2] < whole * frames[2]) { printf "%s: fewer than %.0f %% of the frames whole\n", what, whole; exit 1 }
   if (cores > spin) { print what ": the paced demo used more than " spin " of a core"; exit 1 }
}

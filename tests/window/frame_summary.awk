# The frames' times that frame_times wrote, one frame a line (the X
# server's times of its top and its bottom line, in ms), summed up for
# watch_frame_times in session.sh: prints the rate, the CPU used, how the
# intervals fall and how late the bottoms come; when the frames miss one of
# the bounds, prints the first they miss and exits with 1.
#
# Given with -v: what (the watch's name), min and max (frames a second),
# longest (ms, the longest interval), even (per cent of the intervals within
# 4 ms of a 60 Hz refresh), lag and whole (per cent of the frames whose
# bottom comes within lag ms of their top), cpu (the demo's CPU meanwhile,
# in clock ticks), hz (clock ticks a second), seconds (the watch's length)
# and spin (the most of a core the demo may use).
NR > 1 { d = $1 - last; n++; count[d]++; if (d >= 16.667 - 4 && d <= 16.667 + 4) near++
         if (n == 1 || d < lo) lo = d; if (n == 1 || d > hi) hi = d }
NR == 1 { first = $1 }
{ last = $1; l = $2 - $1; late[l]++; if (l <= lag) sent++; if (l > worst) worst = l }
END {
   if (n < 2) { print what ": " NR " frames seen"; exit 1 }
   rate = n * 1000 / (last - first); cores = cpu / hz / seconds
   printf "%s: %.1f frames a second, %d of %d intervals (%.0f %%) within 4 ms of 16.7 ms, %.2f of a core\n", \
      what, rate, near, n, 100 * near / n, cores
   line = "   intervals (ms: how many):"
   for (d = lo; d <= hi; d++) if (d in count) line = line " " d ":" count[d]
   print line
   printf "   %d of %d frames (%.0f %%) whole within %d ms, bottom after top (ms: how many):", \
      sent, NR, 100 * sent / NR, lag
   for (d = 0; d <= worst; d++) if (d in late) printf " %d:%d", d, late[d]
   print ""
   if (rate < min || rate > max) { print what ": not " min " ... " max " a second"; exit 1 }
   if (hi > longest) { print what ": an interval longer than " longest " ms"; exit 1 }
   if (100 * near < even * n) { print what ": fewer than " even " % of the intervals"; exit 1 }
   if (100 * sent < whole * NR) { print what ": fewer than " whole " % of the frames whole"; exit 1 }
   if (cores > spin) { print what ": the paced demo used more than " spin " of a core"; exit 1 }
}

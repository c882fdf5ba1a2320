set f [open $env(JOL_BENCH_TEXT) r]
set n 0
while {[gets $f line] >= 0} { incr n }
close $f

set list ""
for {set i 1} {$i <= 2000} {incr i} { append list "a$i " }
set n 0
for {set r 0} {$r < 10} {incr r} {
    for {set i 1} {$i <= 2000} {incr i} {
        set n [expr {$n + [string length [lindex [split $list " "] [expr {$i - 1}]]]}]
    }
}

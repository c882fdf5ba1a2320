set n 0
for {set i 1} {$i <= 1000000} {incr i} {
    if {$i % 3 == 0} {
        set n [expr {$n + 2}]
    } else {
        set n [expr {$n - 1}]
    }
}

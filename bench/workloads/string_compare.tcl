set s abc
set t abd
set n 0
set i 0
while {$i < 1000000} {
    if {$s eq "abc"} { set n [expr {$n + 1}] }
    if {$t eq "abc"} { set n [expr {$n - 1}] }
    set i [expr {$i + 1}]
}

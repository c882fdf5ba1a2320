set i 0
set sum 0
while {$i < 1000000} {
    set sum [expr {$sum + $i % 7}]
    set i [expr {$i + 1}]
}

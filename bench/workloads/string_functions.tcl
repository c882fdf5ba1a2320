set s abcdefgh
set n 0
set i 0
while {$i < 200000} {
    set t "[string range $s 1 3]x"
    set n [expr {$n + [string length $t]}]
    set i [expr {$i + 1}]
}

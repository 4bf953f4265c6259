# Reads the memory system calls of one ringstride run (strace -ff -ttt,
# every thread's lines prefixed with its id and sorted by time) and says
# whether anything but the loader ever unmapped, remapped or advised a page
# of the effect library while it was loaded. Used by stress-shot.sh --trace.
#
#   awk -v main=PID -v plugin=PATH -f stress-shot-trace.awk merged.txt
#
# The library counts as loaded from PATH or from the private copy our host
# makes of it (a folder ringstride-effect-XXXXXX holding the same name).
#
# Prints one line "trace: ..." and, before it, one line per finding.

function hex(s,    v, i, c) {
    v = 0
    s = tolower(s)
    sub(/^0x/, "", s)
    for (i = 1; i <= length(s); i++) {
        c = index("0123456789abcdef", substr(s, i, 1)) - 1
        if (c < 0) return -1
        v = v * 16 + c
    }
    return v
}

# Hex digits of v (awk's %x stops at 32 bits in some versions).
function tohex(v,    s, d) {
    s = ""
    do { d = v % 16; s = substr("0123456789abcdef", d + 1, 1) s; v = (v - d) / 16 } while (v > 0)
    return "0x" s
}

function result(line,    r) {
    r = line
    if (!sub(/.*\) += /, "", r)) return ""
    sub(/ .*/, "", r)
    return r
}

# The first two arguments of the call on this line: address and length.
function args(line,    a) {
    a = line
    sub(/^[^(]*\(/, "", a)
    split(a, parts, ", ")
    call_addr = parts[1] == "NULL" ? -1 : hex(parts[1])
    call_len = parts[2] + 0
}

BEGIN {
    members[main] = 1; loads = 0; unloads = 0; findings = 0; mapped = 0
    name = plugin
    sub(/.*\//, "", name)
}

{
    tid = $1
    if (!(tid in members)) next
    line = $0
    sub(/^[0-9]+ [0-9.]+ /, "", line)
    call = line
    sub(/\(.*/, "", call)

    if ((call == "clone" || call == "clone3") && line ~ /CLONE_THREAD/) {
        r = result(line)
        if (r ~ /^[0-9]+$/) members[r] = 1
        next
    }
    if (call == "openat" && line ~ /O_RDONLY\|O_CLOEXEC\)/ &&
        (index(line, "\"" plugin "\"") || index(line, "/ringstride-effect-") && index(line, "/" name "\""))) {
        r = result(line)
        if (r ~ /^[0-9]+$/) { loading_fd[tid] = r }
        next
    }
    if (call != "mmap" && call != "munmap" && call != "madvise" && call != "mprotect" && call != "mremap") next
    args(line)
    r = result(line)
    if (call == "mmap" && call_addr < 0 && (tid in loading_fd)) {
        split(line, m, ", ")
        if (m[5] == loading_fd[tid] && m[6] ~ /^0\)/) {
            base = hex(r); size = call_len; mapped = 1; loads++
            loader = tid; loader_fd = loading_fd[tid]
            delete loading_fd[tid]
            next
        }
    }
    if (!mapped) next
    addr = call_addr
    if (call == "mmap" && addr < 0) addr = hex(r)
    if (addr < 0 || addr >= base + size || addr + call_len <= base) next
    # The loader's own calls: the segments of the file, relro made read-only,
    # and dlclose's unmapping of the whole library.
    if (call == "mmap" && tid == loader && line ~ /MAP_FIXED\|MAP_DENYWRITE/) {
        split(line, m, ", ")
        if (m[5] == loader_fd) next
    }
    if (call == "mmap" && tid == loader && line ~ /MAP_FIXED\|MAP_ANONYMOUS/) next
    if (call == "mprotect" && tid == loader && line ~ /PROT_READ\)/) next
    if (call == "munmap" && addr == base && call_len == size) { unloads++; mapped = 0; next }
    findings++
    printf "trace: thread %s touched the effect's pages (loaded at %s, %d bytes): %s\n", tid, tohex(base), size, line
}

END {
    printf "trace: effect loaded %d times, unloaded %d times; %d other calls touched its pages\n", loads, unloads, findings
    exit findings > 0 ? 1 : 0
}

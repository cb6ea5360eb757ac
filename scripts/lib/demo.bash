# Helpers every demo step (scripts/demo.d/*.sh) may use. Each step runs in a
# shell of its own with these loaded and bin, demo, ZEVA_APP_DIR and
# ZEVA_DEMO_SHOTS (the folder for its screenshots) exported.

# step TITLE: a heading; the runner names the last one when a step fails.
step() {
    printf '\n== %s\n' "$*"
    printf '%s\n' "$*" > "$demo/.step-title"
}

# A free port on loopback between 18080 and 18180.
update_free_port() {
    local p
    for p in $(seq 18080 18180); do
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then echo "$p"; return 0; fi
    done
    return 1
}

# md5 prefix and path of every file of the installation but its settings.
update_snapshot() {
    (cd "$ZEVA_APP_DIR" && find . -type f ! -name '*.dat' ! -name started.txt -printf '%P\n' | sort |
        while read -r f; do printf '%s  %s\n' "$(md5sum < "$f" | cut -c1-12)" "$f"; done)
}

# Whether this machine can hold a namespace bed (root, ip netns, nginx).
can_make_bed() {
    local probe="zlpr$$"
    [[ $(id -u) -eq 0 ]] && command -v nginx >/dev/null && ip netns add "$probe" 2>/dev/null || return 1
    ip netns del "$probe"
}

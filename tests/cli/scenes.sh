# What only Linux can set up for gam2lib's table (tst_gam2lib), sourced in the folder of a row's scene, where
# G names gam2lib and SYNC the failing-sync library.
#
# A row's way of running gam2lib is one of the first functions, given gam2lib and its arguments. A row's scene
# SCENE is set by SCENE_arrange before gam2lib runs, and SCENE_verify, where there is one, runs afterwards
# whatever happened: it checks what the folder alone cannot show, and tidies up. `need WHAT` skips the row.

# Where this machine cannot serve a row: it is skipped, with what it needs.
need() {
    echo "needs $*"
    exit 77
}

undecodable_name() { "$@" "$(printf '\376').lib"; }
closed_streams() { "$@" <&- >&- 2>&-; }
closed_output() { "$@" >&-; }
full_output() { "$@" >/dev/full; }
output_reader_gone() { perl -e 'pipe R, W or die; close R; open STDOUT, ">&W" or die; exec @ARGV' "$@"; }
size_limited() { prlimit --fsize=1000000 "$@"; }
as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
# The library names the program it is loaded into on descriptor 9; sanitizers would object to a library loaded
# before theirs.
unsynced() {
    ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 LD_PRELOAD="$SYNC" "$@" 9>"$SYNC.announced"
}
unsynced_as_nobody() { unsynced setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
without_proc() { unshare -m sh -c 'umount -l /proc && exec "$@"' sh "$@"; }

# Root would be let through where another user is refused.
as_root() {
    [ "$(id -u)" = 0 ] || need root
    chmod 755 .
}
# A folder on another file system, reached through ./shm; gone again, keeping the status of what came before.
away() { d=$(mktemp -d /dev/shm/tessaly-XXXXXX) && ln -s "$d" shm || need /dev/shm; }
gone() {
    set -- $?
    rm -r "$(readlink shm)"
    return $1
}

big_game_arrange() { head -c 3000000 /dev/urandom >big.gam; }
big_game_away_arrange() { away && head -c 3000000 /dev/urandom >shm/big.gam; }
big_game_away_verify() { gone; }
unreadable_game_arrange() { as_root && chmod 600 game.gam && chmod 777 .; }
unwritable_folder_arrange() { as_root; }
sticky_folder_arrange() { as_root && mkdir -m 1777 shared && echo old >shared/x.lib && chmod 666 shared/x.lib; }
append_only_folder_arrange() {
    as_root && mkdir -m 333 box && echo old >box/old.lib && chmod 666 box/old.lib && { chattr +a box || need chattr; }
}
append_only_folder_verify() { chattr -a box; }
search_only_folder_arrange() { as_root && mkdir -m 333 box; }
no_proc_arrange() {
    [ "$(id -u)" = 0 ] || need root
    ! ldd "$G" | grep -q libasan || need sanitizers that run without /proc
    unshare -m true 2>/dev/null || need "a mount namespace of its own (unshare -m)"
}
linked_folders_arrange() {
    mkdir -p real/inner && ln -s real/inner L && ln -s ../old.lib real/inner/x.lib && echo old >real/old.lib
}
linked_folders_verify() { test -L real/inner/x.lib; }
linked_away_arrange() { away && mkdir shm/sub && ln -s "$(readlink shm)/sub" T; }
linked_away_verify() {
    ! ls -A shm/ | grep tessaly
    gone
}
long_name_arrange() { echo old >"$(printf '游%.0s' $(seq 83)).lib"; }
owner_arrange() {
    [ "$(id -u)" = 0 ] || need root
    chown 1000:1000 old.lib && chmod 2640 old.lib
}
owner_verify() { [ "$(stat -c %u:%g:%a old.lib)" = 1000:1000:2640 ]; }
attributes_arrange() { setfattr -n user.tessaly -v kept old.lib && setfacl -m u:1000:r old.lib || need user attributes and ACLs; }
attributes_verify() { [ "$(getfattr --only-values -n user.tessaly old.lib)" = kept ] && getfacl -cn old.lib | grep -qx user:1000:r--; }
overlay_arrange() {
    away && mkdir shm/lower upper work m && echo old >shm/lower/old.lib || return
    mount -t overlay overlay -o "lowerdir=$(readlink shm)/lower,upperdir=upper,workdir=work" m \
        || { gone; need an overlay mount; }
}
overlay_verify() {
    umount m
    gone
}
link_loop_arrange() { ln -s loop.lib loop.lib; }
fifo_arrange() { mkfifo fifo.lib; }
append_only_file_arrange() { chattr +a old.lib || need chattr; }
append_only_file_verify() { chattr -a old.lib; }
read_only_mount_arrange() { mkdir ro && mount -t tmpfs -o ro tmpfs ro || need mount; }
read_only_mount_verify() { umount ro; }
mount_point_arrange() { touch other && mount --bind other old.lib || need mount; }
mount_point_verify() { umount old.lib && [ "$(cat old.lib)" = old ]; }
protected_link_arrange() {
    [ "$(cat /proc/sys/fs/protected_symlinks)" = 1 ] || need fs.protected_symlinks=1
    mkdir -m 1777 shared && echo old >victim && ln -s "$PWD/victim" shared/x.lib && chown -h 65534 shared/x.lib
}

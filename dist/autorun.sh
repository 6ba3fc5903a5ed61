#!/bin/sh
# Starts the Kivora launcher beside this file. A desktop offers to run it when
# the disc or stick is inserted; by hand:  sh /media/<user>/<disc>/autorun.sh
#
# Where the medium's format keeps no execute permission (a disc burned without
# Rock Ridge, a FAT stick, UDF, most FUSE mounts), the launcher is started
# through the system's dynamic loader, which needs none. A medium mounted
# noexec is the system's policy: nothing is run from it, and nothing is copied
# off it to run elsewhere.
here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd -P) || exit 1
launcher="$here/kivora"
loader=/lib64/ld-linux-x86-64.so.2

if [ ! -f "$launcher" ]; then
  echo "autorun.sh: there is no kivora beside it in $here" >&2
  exit 1
fi

# The options of the mount that holds this folder: the last of the mounts
# whose point is this folder or one above it (mountinfo writes a blank in a
# path as \040).
options=$(awk -v here="$here" '{
    point = $5
    gsub(/\\040/, " ", point); gsub(/\\011/, "\t", point); gsub(/\\134/, "\\", point)
    if (here == point || point == "/" || index(here, point "/") == 1) { if (length(point) >= best) { best = length(point); found = $6 } }
  } END { print found }' /proc/self/mountinfo 2>/dev/null)
case ",$options," in
  *,noexec,*)
    echo "autorun.sh: this system does not allow programs to run from $here (the medium is mounted noexec)" >&2
    exit 126 ;;
esac

# An execute bit, and the user's permission by it: a FUSE mount may grant
# the permission where the file has no bit, and then refuses to run it.
if [ -x "$launcher" ] && [ -n "$(find "$launcher" -prune \( -perm -u+x -o -perm -g+x -o -perm -o+x \) -print)" ]; then
  exec "$launcher" "$@"
fi
if [ ! -x "$loader" ]; then
  echo "autorun.sh: kivora has no execute permission on this medium, and this system has no $loader to start it with (kivora is for x86-64 Linux with glibc)" >&2
  exit 126
fi
exec "$loader" "$launcher" "$@"

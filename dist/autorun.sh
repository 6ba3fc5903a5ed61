#!/bin/sh
# Starts the Kivora launcher beside this file for the machine it runs on:
# kivora on x86-64 Linux, kivora-aarch64 on 64-bit ARM Linux (Raspberry Pi
# OS, ARM laptops). A desktop offers to run it when the disc or stick is
# inserted; by hand:  sh /media/<user>/<disc>/autorun.sh
#
# The launcher is started through the system's dynamic loader, which needs no
# execute permission: the same start as running the file, on a medium whose
# format keeps the permission and on one that keeps none (a disc burned
# without Rock Ridge, a FAT stick, UDF, most FUSE mounts). A medium mounted
# noexec is the system's policy: nothing is run from it, and nothing is
# copied off it to run elsewhere. Only builtins run before the launcher but
# uname: each program started here would delay the window.
case $0 in
  */*) here=${0%/*} ;;
  *) here=$PWD ;;
esac
machine=$(uname -m)
case $machine in
  x86_64) launcher="$here/kivora" loader=/lib64/ld-linux-x86-64.so.2 kind="x86-64 Linux" ;;
  aarch64) launcher="$here/kivora-aarch64" loader=/lib/ld-linux-aarch64.so.1 kind="64-bit ARM Linux" ;;
  *)
    echo "autorun.sh: this is a $machine machine; the disc has Kivora for x86-64 Linux (kivora), 64-bit ARM Linux (kivora-aarch64) and Windows (Kivora.exe)" >&2
    exit 1 ;;
esac

if [ ! -f "$launcher" ]; then
  echo "autorun.sh: there is no ${launcher##*/} beside it in $here" >&2
  exit 1
fi
if [ ! -e "$loader" ]; then
  echo "autorun.sh: ${launcher##*/} is for $kind with glibc, and this system has no $loader to start it with" >&2
  exit 126
fi

# The permission to run it says the medium is not noexec; without it, the
# options of the mount that holds this folder do: the last of the mounts
# whose point is this folder or one above it (mountinfo writes a blank in a
# path as \040).
if [ ! -x "$launcher" ]; then
  here=$(CDPATH= cd -- "$here" && pwd -P) || exit 1
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
fi
exec "$loader" "$launcher" "$@"

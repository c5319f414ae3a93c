# The container's root for container-test.sh (which defines fail and cache), sourced by it.
# container_root PACKAGE.deb prints the path of a tar+zstd of a Debian 12 root with systemd,
# what the checks use and every package PACKAGE.deb depends on (so that installing it needs no
# network). It is built with debootstrap the first time, and again only when that list
# changes; older roots in the cache are removed then.

# The Debian mirror this machine's apt uses for bookworm (OSTRAVEL_DEBIAN_MIRROR wins).
debian_mirror() {
  if [ -n "${OSTRAVEL_DEBIAN_MIRROR:-}" ]; then
    echo "$OSTRAVEL_DEBIAN_MIRROR"
    return
  fi
  apt-get indextargets --format '$(RELEASE) $(COMPONENT) $(REPO_URI)' 'Created-By: Packages' |
    awk '$1 == "bookworm" && $2 == "main" { print $3; exit }'
}

# The names of the packages PACKAGE.deb depends on, comma-separated (the first of each set of
# alternatives; versions left to the suite).
package_dependencies() {
  dpkg-deb -f "$1" Depends | tr ',' '\n' | sed -E 's/\|.*//; s/\(.*\)//; s/[[:space:]]//g' |
    grep -v '^$' | sort -u | paste -sd, -
}

container_root() {
  local deb=$1 includes key archive mirror build
  includes=systemd,systemd-sysv,dbus,curl,sqlite3,$(package_dependencies "$deb")
  key=$(echo "bookworm minbase $includes" | sha256sum | cut -c1-12)
  archive=$cache/bookworm-$key.tar.zst
  mkdir -p "$cache"
  # One build at a time; a second run waits for the first's root.
  exec 9>"$cache/lock"
  flock 9
  if [ ! -f "$archive" ]; then
    mirror=$(debian_mirror)
    [ -n "$mirror" ] || fail "no bookworm mirror in this machine's apt sources" \
      "(set OSTRAVEL_DEBIAN_MIRROR)"
    echo "== container root: debootstrap bookworm from $mirror (once; kept in $cache)" >&2
    build=$(mktemp -d "$cache/build.XXXXXX")
    if ! debootstrap --variant=minbase --include="$includes" bookworm "$build/root" "$mirror" \
      >"$build/debootstrap.log" 2>&1; then
      tail -n 20 "$build/debootstrap.log" >&2
      rm -rf "$build"
      fail "debootstrap could not build the container's root"
    fi
    rm -f "$build"/root/var/cache/apt/archives/*.deb
    tar -C "$build/root" --zstd --numeric-owner -cf "$build/root.tar.zst" .
    rm -f "$cache"/bookworm-*.tar.zst
    mv "$build/root.tar.zst" "$archive"
    rm -rf "$build"
  fi
  exec 9>&-
  echo "$archive"
}

#!/usr/bin/env bash
# Installs the peer viewers that bench/first_paint_vs_peers.sh compares with,
# for benchmarking only: users of the viewer never need them, so they are not
# part of scripts/bootstrap.sh.
#   bench/setup_peers.sh            install feh, nsxiv, qimgv and geeqie
#   bench/setup_peers.sh --remove   purge them and what they pulled in, so the
#                                   machine is back to what the bootstrap gives
# The install notes which packages it added; --remove purges those of them
# nothing else needs (apt's autoremove would keep what another package only
# recommends, and take packages that were orphaned before, which are not ours
# to judge).
set -euo pipefail
peers=(feh nsxiv qimgv geeqie)
state=${XDG_STATE_HOME:-$HOME/.local/state}/ovisto-bench/peers-added.txt
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
apt() { DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get "$@"; }
installed() { dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' 2>/dev/null | awk '$1=="ii" {print $2}' | sed 's/:.*//' | sort -u; }
# What apt-get autoremove would take away now.
orphans() { apt-get autoremove --dry-run 2>/dev/null | awk '$1=="Remv" {print $2}' | sed 's/:.*//' | sort -u; }

case ${1:-} in
  "")
    before=$(installed)
    if ! apt-get install --dry-run -y --no-install-recommends "${peers[@]}" >/dev/null 2>&1; then
      apt update -qq
    fi
    apt install -y -qq --no-install-recommends "${peers[@]}"
    mkdir -p "$(dirname "$state")"
    # Added by this run, on top of what an earlier run added and did not remove.
    { [ -f "$state" ] && cat "$state"; comm -13 <(echo "$before") <(installed); } | sort -u >"$state.new"
    mv "$state.new" "$state"
    echo "setup_peers: $(wc -l <"$state") packages added (listed in $state)"
    ;;
  --remove)
    present=()
    for p in "${peers[@]}"; do
      dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' && present+=("$p")
    done
    [ ${#present[@]} -eq 0 ] || apt purge -y -qq "${present[@]}"
    if [ -f "$state" ]; then
      # What the install added, still here and still only a dependency (one
      # installed by hand since stays).
      mapfile -t added < <(comm -12 <(installed) <(sort -u "$state") |
        comm -12 - <(apt-mark showauto | sed 's/:.*//' | sort -u))
      if [ ${#added[@]} -gt 0 ]; then
        # apt keeps a package another one merely recommends, so ask what
        # purging them would take: only ours, or something else too.
        would=$(apt-get purge --dry-run "${added[@]}" 2>/dev/null | awk '$1=="Purg" || $1=="Remv" {print $2}' |
          sed 's/:.*//' | sort -u)
        others=$(comm -23 <(echo "$would") <(sort -u "$state"))
        if [ -z "$others" ]; then
          apt purge -y -qq "${added[@]}"
        else
          # Something installed since needs some of them: leave that to apt.
          mapfile -t leftover < <(comm -12 <(orphans) <(sort -u "$state"))
          [ ${#leftover[@]} -eq 0 ] || apt purge -y -qq "${leftover[@]}"
          echo "setup_peers: kept what $(echo "$others" | paste -sd ' ') need" >&2
        fi
      fi
      rm -f "$state"
    else
      # No note of what the install added: fall back to apt's own view.
      apt autoremove -y -qq
    fi
    echo "setup_peers: peers removed"
    ;;
  *)
    echo "usage: bench/setup_peers.sh [--remove]" >&2
    exit 2
    ;;
esac

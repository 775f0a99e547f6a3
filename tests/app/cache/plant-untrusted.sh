#!/usr/bin/env sh
# Folders the download cache must not trust, made from the Unix side, where the test program
# under Wine cannot: links (Wine's CreateSymbolicLinkW makes nothing), another owner, other rights.
#   plant-untrusted.sh DIR
set -eu
dir=$1
rm -rf "$dir"
mkdir -p "$dir/outside/folder"
echo "a file of the system" >"$dir/outside/system.txt"
echo "kept" >"$dir/outside/folder/kept.txt"
# A cache holding a link to a file, named as a kept part and as junk, and a link to a folder.
mkdir -p "$dir/links/Quorvane/Cache"
ln -s ../../../outside/system.txt "$dir/links/Quorvane/Cache/notes.txt"
ln -s ../../../outside/folder "$dir/links/Quorvane/Cache/folder"
# The cache folder itself a link to a folder elsewhere.
mkdir -p "$dir/cache-link/Quorvane"
ln -s ../../outside/folder "$dir/cache-link/Quorvane/Cache"
# Anyone may write in it (Wine reads a folder's rights from its Unix permissions).
mkdir -p "$dir/world/Quorvane/Cache"
chmod 777 "$dir/world/Quorvane" "$dir/world/Quorvane/Cache"
# Another owner, with the permissions the installer's own folders get; only root can give it.
mkdir -p "$dir/owner/Quorvane/Cache"
chmod 750 "$dir/owner/Quorvane" "$dir/owner/Quorvane/Cache"
if [ "$(id -u)" = 0 ]; then chown nobody "$dir/owner/Quorvane"; else rm -r "$dir/owner"; fi
for folder in world owner; do
  [ -d "$dir/$folder" ] && echo "planted" >"$dir/$folder/Quorvane/Cache/notes.txt"
done
exit 0

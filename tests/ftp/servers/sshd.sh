#!/usr/bin/env bash
# A private OpenSSH server for the SFTP tests, in the foreground on loopback, with its own host
# key and configuration; password logins of the system user that vsftpd.sh made.
# Usage: sshd.sh PORT USER FOLDER STATE_FOLDER   (writes STATE_FOLDER/host_key.pub, sshd.log)
set -euo pipefail
port=$1 user=$2 folder=$3 state=$4
mkdir -p /run/sshd
chown "$user" "$folder"
[ -f "$state/host_key" ] || ssh-keygen -q -t ecdsa -N "" -f "$state/host_key"
cat >"$state/sshd_config" <<CONF
Port $port
ListenAddress 127.0.0.1
HostKey $state/host_key
PidFile none
PasswordAuthentication yes
KbdInteractiveAuthentication no
PubkeyAuthentication no
UsePAM yes
StrictModes no
AllowUsers $user
Subsystem sftp internal-sftp
CONF
exec /usr/sbin/sshd -D -e -f "$state/sshd_config" -E "$state/sshd.log"

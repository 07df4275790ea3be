#!/usr/bin/env bash
# vsftpd for the client tests, in the foreground on loopback, from its own configuration.
# Usage: vsftpd.sh PORT USER PASSWORD FOLDER STATE_FOLDER [CERTIFICATE KEY]
# With a certificate and its key, logins and data need explicit TLS.
# Needs root: it makes (once) a system user with a password for vsftpd's local login.
set -euo pipefail
port=$1 user=$2 password=$3 folder=$4 state=$5 certificate=${6:-} key=${7:-}

# vsftpd changes into the user's home before local_root: a home that always exists keeps
# servers of other test runs (each with its own folder) from breaking each other's logins.
if ! id -u "$user" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir / --shell /bin/bash "$user"
fi
[ "$(getent passwd "$user" | cut -d: -f6)" = / ] || usermod --home / "$user"
echo "$user:$password" | chpasswd
chown "$user" "$folder"
mkdir -p "$state/empty"
chmod 755 "$state/empty"

cat >"$state/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
local_root=$folder
chroot_local_user=NO
seccomp_sandbox=NO
secure_chroot_dir=$state/empty
pam_service_name=vsftpd
userlist_enable=NO
pasv_enable=YES
port_enable=YES
connect_from_port_20=NO
xferlog_enable=YES
xferlog_std_format=NO
syslog_enable=NO
vsftpd_log_file=$state/vsftpd.log
CONF
if [ -n "$certificate" ]; then
    cat >>"$state/vsftpd.conf" <<CONF
ssl_enable=YES
rsa_cert_file=$certificate
rsa_private_key_file=$key
force_local_logins_ssl=YES
force_local_data_ssl=YES
CONF
fi
exec /usr/sbin/vsftpd "$state/vsftpd.conf"

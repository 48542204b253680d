# A shared HTTP cache for Bazel on this machine, sourced by the Bazel rule's test and by
# bench/bazel_cache.sh: nginx serving a WebDAV folder that Bazel PUTs to and GETs from, on a
# free port of 127.0.0.1, run as the calling user, with every file it writes in one folder.
#   start_webdav_cache NGINX FOLDER   sets webdav_port and webdav_pid; returns 1 if nginx fails
#   stop_webdav_cache                 stops it (safe to call when it is not running)

# Seconds nginx may take to start listening.
WEBDAV_START_TIMEOUT=10

webdav_pid=
webdav_port=

start_webdav_cache() {
  local nginx=$1 folder=$2 attempt i
  mkdir -p "$folder/files" "$folder/nginx"
  # A random port, another one if it is taken.
  for attempt in 1 2 3 4 5; do
    webdav_port=$((20000 + RANDOM % 40000))
    cat >"$folder/nginx/nginx.conf" <<EOF
daemon off;
# The worker writes the cache folder as the user that started nginx.
user $(id -un) $(id -gn);
worker_processes 1;
pid $folder/nginx/nginx.pid;
error_log $folder/nginx/error.log;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $folder/nginx/body;
  proxy_temp_path $folder/nginx/proxy;
  fastcgi_temp_path $folder/nginx/fastcgi;
  uwsgi_temp_path $folder/nginx/uwsgi;
  scgi_temp_path $folder/nginx/scgi;
  client_max_body_size 0;
  server {
    listen 127.0.0.1:$webdav_port;
    root $folder/files;
    location / {
      dav_methods PUT DELETE MKCOL;
      create_full_put_path on;
    }
  }
}
EOF
    rm -f "$folder/nginx/nginx.pid"
    "$nginx" -p "$folder/nginx" -c "$folder/nginx/nginx.conf" -e "$folder/nginx/error.log" &
    webdav_pid=$!
    # The pid file is written once the port is bound; a port in use makes nginx exit.
    for ((i = 0; i < WEBDAV_START_TIMEOUT * 10; i++)); do
      [ -s "$folder/nginx/nginx.pid" ] && return 0
      kill -0 "$webdav_pid" 2>/dev/null || break
      sleep 0.1
    done
    stop_webdav_cache
  done
  cat "$folder/nginx/error.log" 2>/dev/null || true
  return 1
}

stop_webdav_cache() {
  if [ -n "$webdav_pid" ]; then
    kill "$webdav_pid" 2>/dev/null || true
    wait "$webdav_pid" 2>/dev/null || true
    webdav_pid=
  fi
}
